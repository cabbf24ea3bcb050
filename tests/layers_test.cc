// The source tree's layers: every file under src/ includes headers of its own
// folder or of folders below it, the folder order is the one the README
// states, nothing below the interface knows client-interface classes, handle
// or session types, and the tools and the examples include only the public
// header (besides their own headers).
//
// The sources are read from the checkout (ZEL_SOURCE_DIR), so the check
// fails the build's test run the moment an upward include appears.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path Root = ZEL_SOURCE_DIR;

// Bottom first. errors/ stands apart: every layer may use it, and it uses
// no other folder.
const std::vector<std::string> Layers = {"store", "types", "model", "waveforms", "access", "views", "interface"};

struct Include {
  std::string file;    // relative to the root
  std::string target;  // as written between the quotes
};

std::string Relative(const fs::path& path) { return fs::relative(path, Root).generic_string(); }

std::vector<fs::path> SourcesUnder(const fs::path& dir) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file() && (ext == ".cc" || ext == ".h" || ext == ".c")) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<Include> QuotedIncludes(const fs::path& path) {
  static const std::regex line(R"(^\s*#\s*include\s*"([^"]+)\")");
  std::vector<Include> found;
  std::istringstream text(ReadAll(path));
  for (std::string each; std::getline(text, each);) {
    std::smatch match;
    if (std::regex_search(each, match, line)) found.push_back({Relative(path), match[1]});
  }
  return found;
}

int RankOf(const std::string& folder) {
  auto it = std::find(Layers.begin(), Layers.end(), folder);
  return it == Layers.end() ? -1 : static_cast<int>(it - Layers.begin());
}

// The folder of a path under src/ ("src/model/x.cc" -> "model").
std::string FolderOf(const std::string& file) {
  const size_t start = file.find('/') + 1;
  return file.substr(start, file.find('/', start) - start);
}

TEST(Layers, EveryFolderOfTheSourceTreeIsALayer) {
  for (const auto& entry : fs::directory_iterator(Root / "src")) {
    if (!entry.is_directory()) continue;
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "errors" || RankOf(name) >= 0) << "src/" << name << " is in no layer";
  }
}

TEST(Layers, NoFileIncludesAFolderAboveItsOwn) {
  for (const fs::path& path : SourcesUnder(Root / "src")) {
    for (const Include& include : QuotedIncludes(path)) {
      const std::string from = FolderOf(include.file);
      const std::string to = include.target.substr(0, include.target.find('/'));
      if (to == "zel" || include.target.find('/') == std::string::npos) continue;
      if (from == "errors") {
        EXPECT_EQ(to, "errors") << include.file << " includes " << include.target << ": errors/ uses no other layer";
        continue;
      }
      if (to == "errors") continue;
      ASSERT_GE(RankOf(to), 0) << include.file << " includes " << include.target << " outside the layers";
      EXPECT_LE(RankOf(to), RankOf(from)) << "upward include: " << include.file << " -> " << include.target;
    }
  }
}

TEST(Layers, OnlyTheInterfaceKnowsHandlesAndSessions) {
  static const std::regex interfaceWords(
      R"(\bZELC_\w+|\bzel_(session|container|view|type|dimensionDescriptor|parameter|hierarchyNode|nodeIterator|)"
      R"(waveformSet|segment|waveform|simResultWriter|simResultSubset|writer|wfDataView|reader|wfDataReader)_t\b)");
  for (const fs::path& path : SourcesUnder(Root / "src")) {
    const std::string file = Relative(path);
    if (FolderOf(file) == "interface") continue;
    const std::string text = ReadAll(path);
    std::smatch match;
    EXPECT_FALSE(std::regex_search(text, match, interfaceWords)) << file << " names " << match.str();
  }
}

TEST(Layers, ToolsAndExamplesUseOnlyThePublicHeader) {
  for (const char* folder : {"tools", "examples"}) {
    for (const fs::path& path : SourcesUnder(Root / folder)) {
      for (const Include& include : QuotedIncludes(path)) {
        const bool own =
            fs::exists(path.parent_path() / include.target) && include.target.find('/') == std::string::npos;
        EXPECT_TRUE(include.target == "zel/zel.h" || own) << include.file << " includes " << include.target;
      }
    }
  }
}

// The README states the order in one sentence: "`interface/` on top, then
// `views/`, ..., `store/`; `errors/` is usable by all."
TEST(Layers, TheReadmeStatesTheSameOrder) {
  const std::string readme = ReadAll(Root / "README.md");
  const size_t start = readme.find("`interface/` on top");
  ASSERT_NE(start, std::string::npos) << "the README's layer sentence is missing";
  const std::string sentence = readme.substr(start, readme.find("usable by all", start) - start);
  static const std::regex folder(R"(`(\w+)/`)");
  std::vector<std::string> named;
  for (std::sregex_iterator it(sentence.begin(), sentence.end(), folder), end; it != end; ++it) {
    named.push_back((*it)[1]);
  }
  std::vector<std::string> topFirst(Layers.rbegin(), Layers.rend());
  topFirst.push_back("errors");
  EXPECT_EQ(named, topFirst);
}

}  // namespace
