// The operator's guide in Help/ stays true to the program: every screenshot
// it names exists beside it, and every message text it quotes is one the
// program has (its sources are UTF-8, as is the guide).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace gvc {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string DecodeEntities(std::string text) {
    const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&nbsp;", " "}, {"&amp;", "&"}};
    for (const auto& [entity, character] : entities) {
        for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
            text.replace(at, std::string(entity).size(), character);
    }
    return text;
}

std::string Unescape(const std::string& literal) {
    std::string text;
    for (std::size_t i = 0; i < literal.size(); ++i) {
        if (literal[i] != '\\' || i + 1 == literal.size()) {
            text += literal[i];
            continue;
        }
        const char c = literal[++i];
        text += c == 'r' ? '\r' : c == 'n' ? '\n' : c;
    }
    return text;
}

// The string literals of each source file, joined in their order: a message
// built from several literals ("Отсутствует файл " + "таблицы ...") reads
// as one text there.
std::vector<std::string> ProgramTexts() {
    std::vector<std::string> texts;
    const std::regex literal(R"re("((?:[^"\\\n]|\\.)*)")re");
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(GVC_SOURCE_DIR) / "src")) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".cpp" && extension != ".h") continue;
        const std::string source = ReadText(entry.path());
        std::string joined;
        for (auto it = std::sregex_iterator(source.begin(), source.end(), literal);
             it != std::sregex_iterator(); ++it)
            joined += Unescape((*it)[1].str());
        texts.push_back(joined);
    }
    return texts;
}

std::vector<std::string> Matches(const std::string& text, const std::regex& pattern) {
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator();
         ++it)
        found.push_back((*it)[1].str());
    return found;
}

class OperatorGuideTest : public ::testing::Test {
protected:
    const fs::path helpDir_ = fs::path(GVC_SOURCE_DIR) / "Help";
    const std::string guide_ = ReadText(helpDir_ / "operator_guide.html");
};

TEST_F(OperatorGuideTest, EveryScreenshotItNamesExists) {
    ASSERT_FALSE(guide_.empty());
    const std::vector<std::string> images = Matches(guide_, std::regex(R"re(<img[^>]*src="([^"]+)")re"));
    EXPECT_GE(images.size(), 5u);
    for (const std::string& image : images)
        EXPECT_TRUE(fs::is_regular_file(helpDir_ / image)) << image;
}

TEST_F(OperatorGuideTest, EveryMessageItQuotesIsOneTheProgramShows) {
    const std::vector<std::string> quotes =
        Matches(guide_, std::regex(R"re(<span class="msg">([^<]*)</span>)re"));
    EXPECT_GE(quotes.size(), 20u);
    const std::vector<std::string> texts = ProgramTexts();
    for (const std::string& quote : quotes) {
        const std::string text = DecodeEntities(quote);
        bool found = false;
        for (const std::string& program : texts)
            found = found || program.find(text) != std::string::npos;
        EXPECT_TRUE(found) << "not a text of the program: \"" << text << "\"";
    }
}

}  // namespace
}  // namespace gvc
