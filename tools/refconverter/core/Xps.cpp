#include "Xps.h"

#include <algorithm>
#include <cstdio>

#include "Bitmaps.h"
#include "Render.h"
#include "Zip.h"

namespace refconv {

namespace {

constexpr double kUnitsPerMm = 96 / 25.4;  // XPS units are 1/96 inch

const char* kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"fdseq\" ContentType=\"application/vnd.ms-package.xps-fixeddocumentsequence+xml\"/>"
    "<Default Extension=\"fdoc\" ContentType=\"application/vnd.ms-package.xps-fixeddocument+xml\"/>"
    "<Default Extension=\"fpage\" ContentType=\"application/vnd.ms-package.xps-fixedpage+xml\"/>"
    "<Default Extension=\"png\" ContentType=\"image/png\"/></Types>\n";
const char* kNamespace = "http://schemas.microsoft.com/xps/2005/06";
const char* kRelationships = "http://schemas.openxmlformats.org/package/2006/relationships";

const char* cap(LineEnd end) {
  switch (end) {
    case LineEnd::Square: return "Square";
    case LineEnd::Triangle: return "Triangle";
    case LineEnd::Round: return "Round";
    default: return "Flat";
  }
}

const char* join(LineJoin j) {
  return j == LineJoin::Round ? "Round" : j == LineJoin::Miter || j == LineJoin::MiterBevel ? "Miter" : "Bevel";
}

std::string pageXml(double widthMm, double heightMm, const std::string& body) {
  return std::string("<FixedPage xmlns=\"") + kNamespace + "\" Width=\"" + decimal(widthMm * kUnitsPerMm, 2) +
         "\" Height=\"" + decimal(heightMm * kUnitsPerMm, 2) + "\" xml:lang=\"und\">\n" + body + "</FixedPage>\n";
}

// A picture part filling a path of w x h units.
std::string imageBrush(const std::string& part, int widthPx, int heightPx, const std::string& w, const std::string& h) {
  return "<Path.Fill><ImageBrush ImageSource=\"" + part + "\" Viewbox=\"0,0," + std::to_string(widthPx) + "," +
         std::to_string(heightPx) + "\" ViewboxUnits=\"Absolute\" Viewport=\"0,0," + w + "," + h +
         "\" ViewportUnits=\"Absolute\"/></Path.Fill>";
}

std::string rectangle(const std::string& w, const std::string& h) {
  return "M 0,0 L " + w + ",0 " + w + "," + h + " 0," + h + " Z";
}

// The page's picture parts, each a PNG.
using ImageParts = std::vector<std::pair<std::string, std::string>>;

// `numbered`: the pictures of the pages before, as parts are numbered through the document.
std::string plotXml(const Plot& plot, ImageParts& parts, size_t& numbered) {
  const Page page = pageOf(plot);
  const double top = page.bottom + page.heightMm / kMmPerPlu, s = kMmPerPlu * kUnitsPerMm;
  auto xy = [&](Point p) { return decimal((p.x - page.left) * s, 2) + "," + decimal((top - p.y) * s, 2); };
  std::string body;
  for (const Shape& shape : plot.shapes) {
    if (const Bitmap* b = shape.image.get()) {
      // The picture's pixels as units, turned onto its corner and edges (y down).
      const std::string part = "/Documents/1/Resources/Images/" + std::to_string(++numbered) + ".png";
      parts.emplace_back(part, pngOf(*b));
      const std::string w = std::to_string(b->width), h = std::to_string(b->height);
      const double u = s / b->width, v = s / b->height;
      body += "<Path Data=\"" + rectangle(w, h) + "\" RenderTransform=\"" + decimal(b->across.x * u, 6) + "," +
              decimal(-b->across.y * u, 6) + "," + decimal(b->down.x * v, 6) + "," + decimal(-b->down.y * v, 6) + "," +
              xy(b->origin) + "\">" + imageBrush(part, b->width, b->height, w, h) + "</Path>\n";
      continue;
    }
    std::string data = shape.fill ? (shape.evenOdd ? "F 0 " : "F 1 ") : "";
    for (const auto& path : shape.paths) {
      data += "M " + xy(path[0]) + " L";
      for (size_t i = 1; i < path.size(); ++i) data += " " + xy(path[i]);
      data += shape.fill || isClosed(path) ? " Z " : " ";
    }
    data.pop_back();
    body += "<Path Data=\"" + data + "\" ";
    const bool translucent = shape.opacity < 1;
    const std::string color = hexColor(translucent ? shape.ink : shape.color);
    if (translucent) body += "Opacity=\"" + decimal(shape.opacity) + "\" ";
    if (shape.fill) {
      body += "Fill=\"" + color + "\"/>\n";
      continue;
    }
    body += "Stroke=\"" + color + "\" StrokeThickness=\"" +
            decimal(std::max(shape.widthMm, kThinnestMm) * kUnitsPerMm, 3) + "\" StrokeStartLineCap=\"" +
            cap(shape.end) + "\" StrokeEndLineCap=\"" + cap(shape.end) + "\" StrokeLineJoin=\"" + join(shape.join) +
            "\" StrokeMiterLimit=\"" + decimal(std::max(shape.miterLimit, 1.0)) + "\"/>\n";
  }
  return pageXml(page.widthMm, page.heightMm, body);
}

// The package around pages: (page XML, size in mm) each, and the resources they need.
struct XpsPage {
  std::string xml;
  double widthMm, heightMm;
  ImageParts images;  // the pictures the page shows, numbered through the document
};

std::string package(const std::vector<XpsPage>& pages) {
  ZipWriter zip;
  zip.add("[Content_Types].xml", kContentTypes);
  zip.add("_rels/.rels", std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships xmlns=\"") +
                             kRelationships +
                             "\"><Relationship Id=\"R0\" "
                             "Type=\"http://schemas.microsoft.com/xps/2005/06/fixedrepresentation\" "
                             "Target=\"/FixedDocSeq.fdseq\"/></Relationships>\n");
  zip.add("FixedDocSeq.fdseq", std::string("<FixedDocumentSequence xmlns=\"") + kNamespace +
                                   "\"><DocumentReference Source=\"/Documents/1/FixedDoc.fdoc\"/>"
                                   "</FixedDocumentSequence>\n");
  std::string document = std::string("<FixedDocument xmlns=\"") + kNamespace + "\">";
  for (size_t i = 0; i < pages.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    document += "<PageContent Source=\"Pages/" + n + ".fpage\" Width=\"" + decimal(pages[i].widthMm * kUnitsPerMm, 2) +
                "\" Height=\"" + decimal(pages[i].heightMm * kUnitsPerMm, 2) + "\"/>";
    zip.add("Documents/1/Pages/" + n + ".fpage", pages[i].xml);
    if (pages[i].images.empty()) continue;
    std::string rels =
        std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships xmlns=\"") + kRelationships + "\">";
    for (size_t k = 0; k < pages[i].images.size(); ++k)
      rels += "<Relationship Id=\"R" + std::to_string(k + 1) +
              "\" Type=\"http://schemas.microsoft.com/xps/2005/06/required-resource\" Target=\"" +
              pages[i].images[k].first + "\"/>";
    zip.add("Documents/1/Pages/_rels/" + n + ".fpage.rels", rels + "</Relationships>\n");
  }
  zip.add("Documents/1/FixedDoc.fdoc", document + "</FixedDocument>\n");
  for (const XpsPage& page : pages)
    for (const auto& [part, png] : page.images) zip.add(part.substr(1), png);
  return zip.finish();
}

}  // namespace

std::string xpsOf(const Drawing& drawing) {
  std::vector<XpsPage> pages;
  size_t numbered = 0;
  for (const Plot& plot : drawing.pages) {
    const Page page = pageOf(plot);
    ImageParts parts;
    std::string xml = plotXml(plot, parts, numbered);
    pages.push_back({std::move(xml), page.widthMm, page.heightMm, std::move(parts)});
  }
  return package(pages);
}

std::string xpsOfPicture(const std::string& png, int widthPx, int heightPx, double widthIn, double heightIn) {
  const std::string w = decimal(widthIn * 96, 2), h = decimal(heightIn * 96, 2);
  const std::string part = "/Documents/1/Resources/Images/1.png";
  const std::string body =
      "<Path Data=\"" + rectangle(w, h) + "\">" + imageBrush(part, widthPx, heightPx, w, h) + "</Path>\n";
  return package({{pageXml(widthIn * 25.4, heightIn * 25.4, body), widthIn * 25.4, heightIn * 25.4, {{part, png}}}});
}

}  // namespace refconv
