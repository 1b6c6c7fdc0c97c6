// The shared library's dynamic symbol table is its interface: the system's exports, letter for
// letter, and the C API for host objects declared in the public headers; nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/process.hpp"
#include "tests/support/x_server.hpp"

namespace kavro {
namespace {

// The export table, in export order.
const std::vector<std::string> kExports = {
    "_QuestionMessage",
    "_QuestionMessageA",
    "_SuccessMessage",
    "_SuccessMessageA",
    "_WarningMessage",
    "_WarningMessageA",
    "_ErrorMessage",
    "_ErrorMessageA",
    "_DeleteDirectory",
    "_DeleteDirectoryEx",
    "_GeneratePassword",
    "_EmptyTable",
    "_InsertIntoLog",
    "_InsertIntoAlarmLog",
    "_InsertIntoException",
    "_NameToID",
    "_GetComputeName",
    "_GetIPAdress",
    "_StartApplication",
    "_CloseApplication",
    "_Kavro_CheckFileExist",
    "_InitSystemInfo",
    "_TestRectContain_Joint",
    "_TestRectsJointed",
    "_ShowIcnUp_Down",
    "_TrimSpace",
    "_EncoderMessage",
    "_GetHostIP",
    "_GetServerIP",
    "_SetDecoderComState",
    "_SetAlarmComState",
    "_SetComParity",
    "_WriteByte_ParityToComm",
    "_WriteByte_ParityToComm_Manual",
    "_WriteCommandToDecoder",
    "_WriteCommandToGlobe",
    "_WriteCommandToSwitch",
};

std::set<std::string> definedDynamicSymbols(const std::filesystem::path& library) {
    const std::string nm = test::findProgram("nm");
    if (nm.empty()) return {};
    const test::ProcessResult listed =
        test::runProcess({nm, "-D", "--defined-only", library.string()});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    std::set<std::string> names;
    std::istringstream lines(listed.out);
    for (std::string line; std::getline(lines, line);) {
        // "address type name[@version]"
        std::istringstream fields(line);
        std::string address, type, name;
        if (!(fields >> address >> type >> name)) continue;
        names.insert(name.substr(0, name.find('@')));
    }
    return names;
}

// Every kavro_* function the C headers declare: "KAVRO_CALL kavro_name(".
std::set<std::string> declaredHostObjectApi() {
    std::set<std::string> names;
    const auto isNameChar = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
    };
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(KAVRO_SOURCE_DIR) / "include" / "kavro" / "c")) {
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        const std::string source = text.str();
        for (std::size_t at = source.find("KAVRO_CALL"); at != std::string::npos;
             at = source.find("KAVRO_CALL", at + 1)) {
            std::size_t begin = at + std::strlen("KAVRO_CALL");
            while (begin < source.size() &&
                   std::isspace(static_cast<unsigned char>(source[begin]))) {
                ++begin;
            }
            std::size_t end = begin;
            while (end < source.size() && isNameChar(source[end]))
                ++end;
            const std::string name = source.substr(begin, end - begin);
            while (end < source.size() && std::isspace(static_cast<unsigned char>(source[end])))
                ++end;
            if (name.rfind("kavro_", 0) == 0 && end < source.size() && source[end] == '(') {
                names.insert(name);
            }
        }
    }
    return names;
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names)
        text += " " + n;
    return text;
}

TEST(ExportedSymbols, ExactlyTheExportTableAndTheHostObjectApi) {
    EXPECT_EQ(kExports.size(), 37u);
    EXPECT_EQ(std::set<std::string>(kExports.begin(), kExports.end()).size(), kExports.size());
    if (test::findProgram("nm").empty()) GTEST_SKIP() << "nm is not installed";

    const auto library =
        std::filesystem::path(KAVRO_BIN_DIR).parent_path() / "lib" / "libkavro_public.so";
    const std::set<std::string> exported = definedDynamicSymbols(library);
    ASSERT_FALSE(exported.empty()) << "no dynamic symbols read from " << library;
    const std::set<std::string> api = declaredHostObjectApi();
    ASSERT_FALSE(api.empty());

    std::vector<std::string> unexpected;
    for (const std::string& name : exported) {
        const bool known = std::find(kExports.begin(), kExports.end(), name) != kExports.end();
        if (!known && api.count(name) == 0) unexpected.push_back(name);
    }
    EXPECT_TRUE(unexpected.empty()) << "exported but not in the interface:" << joined(unexpected);

    std::vector<std::string> undeclaredMissing;
    for (const std::string& name : api) {
        if (exported.count(name) == 0) undeclaredMissing.push_back(name);
    }
    EXPECT_TRUE(undeclaredMissing.empty())
        << "declared but not exported:" << joined(undeclaredMissing);

    std::vector<std::string> missing;
    for (const std::string& name : kExports) {
        if (exported.count(name) == 0) missing.push_back(name);
    }
    EXPECT_TRUE(missing.empty()) << "in the export table but not exported:" << joined(missing);
}

}  // namespace
}  // namespace kavro
