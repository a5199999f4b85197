#include "app/core/OutputTypes.h"

namespace marlisk {

namespace {

constexpr OutputType kOutput1[] = {
    {"PDF", "/p", ".pdf"},  {"TIFF", "/t", ".tif"},        {"DXF", "/d", ".dxf"},       {"DWG", "/u", ".dwg"},
    {"JPEG", "/j", ".jpg"}, {"BITMAP", "/b", ".bmp"},      {"IGES", "/i", ".igs"},      {"EMF", "/e", ".emf"},
    {"XPS", "/x", ".xps"},  {"PCL", "/l", ".pcl"},         {"WMF", "/w", ".wmf"},       {"PS", "/s", ".ps"},
    {"EPS", "/k", ".eps"},  {"SVG", "/v", ".svg"},         {"GIF", "/g", ".gif"},       {"PNG", "/m", ".png"},
    {"PCX", "/r", ".pcx"},  {"FPX", "/q", ".fpx"},         {"SXF(.p21)", "/y", ".p21"}, {"SXF(.sfc)", "/y", ".sfc"},
    {"CMT", "/c", ".cmt"},  {"HGL/Printer", "/h", ".hgl"},
};

constexpr OutputType kOutput2[] = {
    {"WMF", "/f", ".wmf"}, {"EMF", "/f", ".emf"}, {"PS", "/f", ".ps"},    {"EPS", "/f", ".eps"},
    {"SVG", "/f", ".svg"}, {"XPS", "/f", ".xps"}, {"HPGL", "/f", ".hgl"}, {"PCL", "/f", ".pcl"},
};

}  // namespace

std::span<const OutputType> outputTypes(OutputTab tab) {
  return tab == OutputTab::Output1 ? std::span<const OutputType>(kOutput1) : std::span<const OutputType>(kOutput2);
}

}  // namespace marlisk
