// Small PDF files written for the reader's tests: objects numbered from 1 behind a classic
// cross-reference table, and streams with their length.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace refconv::test {

// A file of `objects` (numbered from 1) with a classic table whose offsets are right, or all
// shifted when `broken`.
inline std::string classicPdf(const std::vector<std::string>& objects, const std::string& trailer,
                              bool broken = false) {
  std::string pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (const size_t offset : offsets) {
    char line[24];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset + (broken ? 7 : 0));
    pdf += line;
  }
  return pdf + "trailer\n" + trailer + "\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

inline std::string stream(const std::string& dict, const std::string& data) {
  return "<<" + dict + " /Length " + std::to_string(data.size()) + ">>\nstream\n" + data + "\nendstream";
}

}  // namespace refconv::test
