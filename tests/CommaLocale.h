#pragma once

// A locale whose numbers are written with a decimal comma (German), for the
// tests that show stored numbers do not depend on the writer's locale. When
// the system has none, one is made with localedef into a private folder that
// LOCPATH names while the comma locale is in use.

#include <clocale>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace MediaTest {

// Switches LC_NUMERIC to the comma locale; false (with the locale unchanged)
// when none can be had.
inline bool UseCommaNumbers()
{
    auto comma = [] {
        const std::lconv* c = std::localeconv();
        return c && c->decimal_point && std::string(c->decimal_point) == ",";
    };
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
        if (std::setlocale(LC_NUMERIC, name) && comma())
            return true;
    // Removed again when the test program ends.
    static struct Folder
    {
        std::string path;
        ~Folder()
        {
            if (!path.empty())
                std::system(("rm -rf '" + path + "'").c_str());
        }
    } made;
    std::string& folder = made.path;
    if (folder.empty()) {
        char tmpl[] = "/tmp/comma-locale-XXXXXX";
        if (!mkdtemp(tmpl))
            return false;
        folder = tmpl;
        const std::string german = folder + "/de_DE.utf8";
        if (std::system(("localedef -i de_DE -f UTF-8 '" + german + "' >/dev/null 2>&1").c_str()) == -1)
            return false;
        struct stat st;
        if (stat((german + "/LC_NUMERIC").c_str(), &st) != 0)
            return false;
    }
    setenv("LOCPATH", folder.c_str(), 1);
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && comma())
        return true;
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
    return false;
}

// Back to the C locale's numbers; the programs a test starts afterwards do
// not see the private locale folder.
inline void UsePointNumbers()
{
    std::setlocale(LC_NUMERIC, "C");
    unsetenv("LOCPATH");
}

} // namespace MediaTest
