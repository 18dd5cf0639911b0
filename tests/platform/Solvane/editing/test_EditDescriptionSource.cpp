// The one rule that says whether a source is an edit description: the
// media manager, the conversion engine and the worker all ask it.

#include "EditDescriptionSource.h"

#include <gtest/gtest.h>

TEST(EditDescriptionSource, ANamedImporterDecidesElseTheFileName)
{
    struct Case
    {
        const char* importer;
        const char* address;
        bool edit;
    };
    const Case cases[] = {
        {"SimpleEditImporter", "/m/description", true},
        {"SimpleEditImporter", "/m/clip.mp4", true},
        {nullptr, "/m/task.seix", true},
        {"", "/m/task.seix", true},
        {"", "/m/Task.SEIX", true},
        {"", "/m/task.Seix?videostreamid=0&audiostreamid=1", true},
        {"", "/m/a b/Trip 2012.seix", true},
        // Another importer opens the file as media of its own.
        {"FFImporter", "/m/odd.seix", false},
        {"ImageImporter", "/m/odd.SEIX", false},
        {"simpleeditimporter", "/m/description", false},
        {"", "/m/clip.mp4", false},
        {"", "/m/clip.seix.mp4", false},
        {"", "/m/.seix", false},
        {"", ".seix", false},
        {"", "seix", false},
        {"", "/m/taskseix", false},
        {"", "", false},
        {nullptr, nullptr, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Moorland::IsEditDescriptionSource(c.importer, c.address), c.edit)
            << (c.importer ? c.importer : "(null)") << " " << (c.address ? c.address : "(null)");
}
