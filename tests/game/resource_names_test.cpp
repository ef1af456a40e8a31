// The start-up check of the names the game fetches: the game's own script declares every one,
// and a script without any one of them, or declaring it in another kind, is caught and named.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/helpers/resource_manager.h"
#include "game/resource_names.h"
#include "tests/support/game_data.h"
#include "tests/support/resource_script_support.h"

namespace {

class ResourceNames : public restest_rm::ScriptTest {
protected:
    // The game's script, line by line.
    static std::vector<std::string> GameScript() {
        std::ifstream in(helpers_test::AppFolder() + "data/tamble.res");
        std::vector<std::string> lines;
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
    static std::string Join(const std::vector<std::string>& lines, size_t without) {
        std::string out;
        for (size_t i = 0; i < lines.size(); ++i)
            if (i != without) out += lines[i] + "\n";
        return out;
    }
    // "" when every name is declared, else "kind name".
    static std::string Undeclared(ResourceManager* rm) {
        const char* kind = nullptr;
        const char* name = nullptr;
        if (!FindUndeclaredResource(rm, &kind, &name)) return "";
        return std::string(kind) + " " + name;
    }
};

TEST_F(ResourceNames, AnEmptyScriptLacksTheFirstSprite) {
    auto rm = Load("rn_empty.res", "");
    EXPECT_EQ(Undeclared(rm.get()), "sprite title1");
    ResourceManager none(nullptr);
    EXPECT_EQ(Undeclared(&none), "sprite title1");
}

TEST_F(ResourceNames, TheGameScriptDeclaresEveryNameAndEachLineIsNeeded) {
    if (!fwtest::GameDataPresent()) GTEST_SKIP() << "no data folder beside the test program (build the fw_data target)";
    const std::vector<std::string> lines = GameScript();
    auto full = Load("rn_full.res", Join(lines, lines.size()));
    EXPECT_EQ(Undeclared(full.get()), "");

    // Every sprite, font and sound the script declares is one the game fetches: without its
    // line the check names it.
    const std::regex decl(R"(^(Sprite|Font|Sound) \"([^\"]+)\")");
    int declared = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        if (!std::regex_search(lines[i], m, decl)) continue;
        ++declared;
        std::string kind = m[1].str();
        kind[0] = char(kind[0] - 'A' + 'a');
        auto rm = Load("rn_without.res", Join(lines, i));
        EXPECT_EQ(Undeclared(rm.get()), kind + " " + m[2].str()) << lines[i];
    }
    EXPECT_EQ(declared, 20 + 1 + 12);
}

TEST_F(ResourceNames, ANameDeclaredInAnotherKindDoesNotCount) {
    if (!fwtest::GameDataPresent()) GTEST_SKIP() << "no data folder beside the test program (build the fw_data target)";
    std::vector<std::string> lines = GameScript();
    bool changed = false;
    for (std::string& l : lines)
        if (l.rfind("Sprite \"wagon2\"", 0) == 0) {
            l = "Animation \"wagon2\" : \"wagon1\" { rect = 68, 168, 64, 48 }";
            changed = true;
        }
    ASSERT_TRUE(changed);
    auto rm = Load("rn_kind.res", Join(lines, lines.size()));
    EXPECT_EQ(Undeclared(rm.get()), "sprite wagon2");
}

}  // namespace
