#include "Xps.h"

#include <algorithm>
#include <cstdio>

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

std::string plotXml(const Plot& plot) {
  const Page page = pageOf(plot);
  const double top = page.bottom + page.heightMm / kMmPerPlu, s = kMmPerPlu * kUnitsPerMm;
  auto xy = [&](Point p) { return decimal((p.x - page.left) * s, 2) + "," + decimal((top - p.y) * s, 2); };
  std::string body;
  for (const Shape& shape : plot.shapes) {
    std::string data = shape.fill ? (shape.evenOdd ? "F 0 " : "F 1 ") : "";
    for (const auto& path : shape.paths) {
      data += "M " + xy(path[0]) + " L";
      for (size_t i = 1; i < path.size(); ++i) data += " " + xy(path[i]);
      data += shape.fill || isClosed(path) ? " Z " : " ";
    }
    data.pop_back();
    body += "<Path Data=\"" + data + "\" ";
    if (shape.fill) {
      body += "Fill=\"" + hexColor(shape.color) + "\"/>\n";
      continue;
    }
    body += "Stroke=\"" + hexColor(shape.color) + "\" StrokeThickness=\"" +
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
  std::string imagePart;  // a picture the page shows, or nothing
};

std::string package(const std::vector<XpsPage>& pages, const std::string& png) {
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
    if (!pages[i].imagePart.empty())
      zip.add("Documents/1/Pages/_rels/" + n + ".fpage.rels",
              std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships xmlns=\"") + kRelationships +
                  "\"><Relationship Id=\"R1\" "
                  "Type=\"http://schemas.microsoft.com/xps/2005/06/required-resource\" Target=\"" +
                  pages[i].imagePart + "\"/></Relationships>\n");
  }
  zip.add("Documents/1/FixedDoc.fdoc", document + "</FixedDocument>\n");
  if (!png.empty()) zip.add("Documents/1/Resources/Images/1.png", png);
  return zip.finish();
}

}  // namespace

std::string xpsOf(const Drawing& drawing) {
  std::vector<XpsPage> pages;
  for (const Plot& plot : drawing.pages) {
    const Page page = pageOf(plot);
    pages.push_back({plotXml(plot), page.widthMm, page.heightMm, {}});
  }
  return package(pages, {});
}

std::string xpsOfPicture(const std::string& png, int widthPx, int heightPx, double widthIn, double heightIn) {
  const std::string w = decimal(widthIn * 96, 2), h = decimal(heightIn * 96, 2);
  const std::string part = "/Documents/1/Resources/Images/1.png";
  const std::string body = "<Path Data=\"M 0,0 L " + w + ",0 " + w + "," + h + " 0," + h +
                           " Z\"><Path.Fill><ImageBrush ImageSource=\"" + part + "\" Viewbox=\"0,0," +
                           std::to_string(widthPx) + "," + std::to_string(heightPx) +
                           "\" ViewboxUnits=\"Absolute\" Viewport=\"0,0," + w + "," + h +
                           "\" ViewportUnits=\"Absolute\"/></Path.Fill></Path>\n";
  return package({{pageXml(widthIn * 25.4, heightIn * 25.4, body), widthIn * 25.4, heightIn * 25.4, part}}, png);
}

}  // namespace refconv
