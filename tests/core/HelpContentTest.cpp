// The help's sources held to the program: the topics and control texts the windows ask for,
// the contents and the index, every link and picture, and every text the program shows.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "help/core/HelpTopics.h"

namespace marlisk {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = MARLISK_SOURCE_DIR;
const fs::path kHelp = kSource / "help";

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<std::string> matches(const std::string& text, const std::string& pattern) {
  std::vector<std::string> found;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
    found.push_back((*it)[1].str());
  return found;
}

std::string section(const std::string& project, const std::string& name) {
  const size_t start = project.find("[" + name + "]");
  if (start == std::string::npos) return {};
  const size_t end = project.find("\n[", start + 1);
  return project.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::set<std::string> pages() {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(kHelp))
    if (entry.path().extension() == ".htm") names.insert(entry.path().filename().string());
  return names;
}

// A page's text as the reader sees it: no tags, entities decoded, blanks as one space.
std::string visibleText(const std::string& html) {
  std::string text = std::regex_replace(html, std::regex("<[^>]*>"), " ");
  for (const auto& [entity, character] : std::vector<std::pair<std::string, std::string>>{
           {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&nbsp;", " "}, {"&amp;", "&"}})
    for (size_t at; (at = text.find(entity)) != std::string::npos;) text.replace(at, entity.size(), character);
  return std::regex_replace(text, std::regex("[ \t\r\n]+"), " ");
}

TEST(HelpContentTest, EveryTopicOfTheWindowsMapsToAPageAndEveryControlTextIsWritten) {
  const std::string project = readText(kHelp / "MarliskAuto.hhp");
  const std::string aliases = section(project, "ALIAS"), map = section(project, "MAP");
  std::set<int> numbers;
  for (const HelpTopic& topic : kHelpTopics) {
    EXPECT_TRUE(numbers.insert(topic.number).second) << topic.number;
    EXPECT_NE(map.find("#define " + std::string(topic.alias) + " " + std::to_string(topic.number) + "\n"),
              std::string::npos)
        << topic.alias;
    const std::vector<std::string> page = matches(aliases, std::string("\n") + topic.alias + "=([^\r\n]+)");
    ASSERT_EQ(page.size(), 1u) << topic.alias;
    EXPECT_TRUE(fs::exists(kHelp / page[0])) << page[0];
  }
  // Nothing mapped that no window asks for.
  EXPECT_EQ(matches(map, "#define (\\w+)").size(), std::size(kHelpTopics));

  // Each control text is written once in the pop-up file, under its own window's number.
  std::map<int, std::string> written;
  const std::string popups = readText(kHelp / "cshelp.txt");
  const std::regex entry("\\.topic (\\d+)\r?\n([^\r\n]*)");
  for (auto it = std::sregex_iterator(popups.begin(), popups.end(), entry); it != std::sregex_iterator(); ++it)
    EXPECT_TRUE(written.emplace(std::stoi((*it)[1]), (*it)[2]).second) << (*it)[1];
  std::set<int> used;
  for (const ControlHelp& help : kControlHelp) {
    used.insert(help.popup);
    EXPECT_EQ(help.popup / 100, help.topic) << help.popup;
    EXPECT_LE(help.firstControl, help.lastControl) << help.popup;
    EXPECT_FALSE(written[help.popup].empty()) << help.popup;
    // The first matching row wins: a row hidden behind another would never be shown.
    EXPECT_EQ(controlPopup(help.topic, help.firstControl), help.popup) << help.popup;
  }
  for (const auto& [number, text] : written) EXPECT_TRUE(used.count(number)) << number << " is asked for by no control";
}

TEST(HelpContentTest, EveryPageIsInTheContentsAndTheIndexAndNoLinkIsBroken) {
  const std::set<std::string> all = pages();
  const std::string contents = readText(kHelp / "toc.hhc"), index = readText(kHelp / "index.hhk");
  const std::string files = section(readText(kHelp / "MarliskAuto.hhp"), "FILES");
  const auto pageOf = [](const std::string& link) { return link.substr(0, link.find('#')); };
  std::set<std::string> inContents, inIndex;
  for (const std::string& link : matches(contents, "name=\"Local\" value=\"([^\"]+)\""))
    inContents.insert(pageOf(link));
  for (const std::string& link : matches(index, "name=\"Local\" value=\"([^\"]+)\"")) inIndex.insert(pageOf(link));
  for (const std::string& page : all) {
    EXPECT_TRUE(inContents.count(page)) << page << " is not in the contents";
    EXPECT_TRUE(inIndex.count(page)) << page << " is not in the index";
    EXPECT_NE(files.find("\n" + page + "\n"), std::string::npos) << page << " is not in the project";
  }

  // Links of the pages, the contents and the index: a page there, and the place on it.
  std::vector<std::pair<std::string, std::string>> links;  // where, link
  for (const std::string& page : all) {
    const std::string html = readText(kHelp / page);
    for (const std::string& link : matches(html, "href=\"([^\"]+)\"")) links.emplace_back(page, link);
    for (const std::string& picture : matches(html, "<img[^>]* src=\"images/([^\"]+)\"")) {
      // The pictures are the screenshots of docs/, copied in by the build.
      EXPECT_TRUE(fs::exists(kSource / "docs" / picture)) << page << ": " << picture;
    }
    EXPECT_TRUE(matches(html, "<img[^>]* src=\"(?!images/)([^\"]+)\"").empty()) << page;
    EXPECT_EQ(matches(html, "<title>([^<]+)</title>").size(), 1u) << page;
  }
  for (const std::string& link : matches(contents + index, "name=\"Local\" value=\"([^\"]+)\""))
    links.emplace_back("contents or index", link);
  for (const auto& [where, link] : links) {
    const std::string page = link.starts_with('#') ? where : pageOf(link);
    ASSERT_TRUE(fs::is_regular_file(kHelp / page)) << where << ": " << link;
    if (const size_t hash = link.find('#'); hash != std::string::npos) {
      EXPECT_NE(readText(kHelp / page).find("id=\"" + link.substr(hash + 1) + "\""), std::string::npos)
          << where << ": " << link;
    }
  }
}

// The string literals of a source file outside its comments, as written (escapes kept).
std::vector<std::string> literals(const std::string& code) {
  std::vector<std::string> found;
  for (size_t i = 0; i < code.size(); ++i) {
    if (code.compare(i, 2, "//") == 0) {
      i = code.find('\n', i);
      if (i == std::string::npos) break;
    } else if (code.compare(i, 2, "/*") == 0) {
      i = code.find("*/", i) + 1;
    } else if (code[i] == '\'') {
      for (++i; i < code.size() && code[i] != '\''; ++i)
        if (code[i] == '\\') ++i;
    } else if (code[i] == '"') {
      std::string literal;
      for (++i; i < code.size() && code[i] != '"'; ++i) {
        if (code[i] == '\\') literal += code[i++];
        literal += code[i];
      }
      found.push_back(literal);
    }
  }
  return found;
}

TEST(HelpContentTest, EveryTextTheProgramShowsIsOnTheMessagesPage) {
  const std::string page = visibleText(readText(kHelp / "messages.htm"));
  size_t checked = 0;
  for (const auto& entry : fs::recursive_directory_iterator(kSource / "src")) {
    const fs::path& path = entry.path();
    if (path.extension() != ".cpp" && path.extension() != ".h") continue;
    // The shell's own names of its folders, which the program only compares with.
    if (path.filename() == "ShellTexts.cpp") continue;
    const bool messages = path.filename() == "Messages.h";
    for (const std::string& literal : literals(readText(path))) {
      const bool japanese = std::any_of(literal.begin(), literal.end(), [](char c) { return (c & 0x80) != 0; });
      if (!japanese && !messages) continue;
      // A message is put together from its pieces and the names it is about: each piece must
      // be there, as the page writes it between the names.
      std::string pieces = std::regex_replace(literal, std::regex("\\\\[rnt]"), "\n");
      std::istringstream lines(pieces);
      for (std::string piece; std::getline(lines, piece);) {
        piece = std::regex_replace(piece, std::regex("^ +| +$"), "");
        if (piece.empty()) continue;
        ++checked;
        EXPECT_NE(page.find(piece), std::string::npos)
            << fs::relative(path, kSource).string() << ": \"" << piece << "\" is not on the messages page";
      }
    }
  }
  EXPECT_GT(checked, 50u);  // the scan found the program's texts at all
}

}  // namespace
}  // namespace marlisk
