#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

// libBasilvo.so is shared by both programs and the plug-in: its dynamic symbol
// table must hold the three service functions and nothing of the foundation
// compiled into it.
TEST(BasilvoExports, ExactlyTheThreeServiceFunctions)
{
    const std::string command = "nm -D --defined-only '" FABLECUT_BIN_DIR "/libBasilvo.so'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), pipe)) > 0)
        output.append(buf, n);
    ASSERT_EQ(pclose(pipe), 0) << output;

    std::set<std::string> functions;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string address, type, name;
        fields >> address >> type >> name;
        if (name.empty())
            continue;
        // Version nodes from the linker script are absolute symbols, not code.
        if (type == "A")
            continue;
        functions.insert(name);
    }
    EXPECT_EQ(functions, (std::set<std::string>{"GetQuentaException", "GetQuentaLogger", "ReleaseQuentaException"}))
        << output;
}
