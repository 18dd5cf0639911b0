#include "DevUtils/CXMLDocument.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

std::vector<std::string> Walk(const TiXmlElement* parent, const char* name)
{
    std::vector<std::string> names;
    TixmlNextIterator it(parent, name);
    while (it.HasNext()) {
        TiXmlElement* element = it.Next();
        EXPECT_EQ(element, it.Current());
        const char* id = element->Attribute("id");
        names.push_back(std::string(element->Value()) + (id ? std::string(":") + id : ""));
    }
    return names;
}

} // namespace

TEST(CXMLDocument, NewDocumentSavesDeclarationAndRoot)
{
    QTemporaryDir dir;
    struct Case
    {
        const char* setName;
        const char* root;
    };
    const Case cases[] = {{nullptr, "root"}, {"  ProfileLib  ", "ProfileLib"}, {"   ", "root"}, {"", "root"}};
    for (const Case& c : cases) {
        CXMLDocument doc;
        if (c.setName)
            doc.SetRootName(c.setName);
        const QString path = dir.filePath("new.xml");
        doc.SaveFile(path);
        const QByteArray text = ReadAll(path);
        EXPECT_TRUE(text.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>")) << text.constData();
        EXPECT_TRUE(text.contains(QByteArray("<") + c.root + " />")) << text.constData();
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"new.xml"});
    }
}

TEST(CXMLDocument, RootIsKeptOrRecreated)
{
    CXMLDocument doc;
    TiXmlElement* root = doc.GetRoot();
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->Value(), "root");
    // Renaming after the element exists changes only the stored name.
    doc.SetRootName("ProfileConfig");
    EXPECT_EQ(doc.GetRoot(), root);
    EXPECT_STREQ(doc.GetRoot()->Value(), "root");
    doc.Clear();
    EXPECT_STREQ(doc.GetRoot()->Value(), "ProfileConfig");

    // A parsed document keeps its own first element whatever its name.
    CXMLDocument parsed;
    parsed.Parse("<?xml version=\"1.0\"?><Other a=\"1\"/>");
    EXPECT_STREQ(parsed.GetRoot()->Value(), "Other");
}

TEST(CXMLDocument, IteratorVisitsMatchingElementsOnly)
{
    CXMLDocument doc;
    doc.Parse("<r><item id=\"1\"/>text<!-- note --><other/><item id=\"2\"/><item id=\"3\"/></r>"
              "");
    const TiXmlElement* root = doc.GetRoot();
    EXPECT_EQ(Walk(root, "item"), (std::vector<std::string>{"item:1", "item:2", "item:3"}));
    EXPECT_EQ(Walk(root, ""), (std::vector<std::string>{"item:1", "other", "item:2", "item:3"}));
    EXPECT_EQ(Walk(root, nullptr), Walk(root, ""));
    EXPECT_TRUE(Walk(root, "missing").empty());

    TixmlNextIterator end(root, "missing");
    EXPECT_FALSE(end.HasNext());
    EXPECT_EQ(end.Next(), nullptr);

    try {
        TixmlNextIterator bad(nullptr, "item");
        FAIL() << "null parent accepted";
    } catch (CBaseException& e) {
        EXPECT_EQ(e.GetCode(), QB_ERR_BAD_POINTER);
        EXPECT_STREQ(e.GetMsg(), "Bad pointer");
    }
}

TEST(CXMLDocument, LoadAndParseFailuresAreReported)
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.xml");
    WriteAll(good, "<?xml version=\"1.0\"?>\n<ProfileLib><p id=\"7\"/></ProfileLib>\n");
    const QString broken = dir.filePath("broken.xml");
    WriteAll(broken, "<ProfileLib><p id=\"7\"></ProfileLib>");

    CXMLDocument doc;
    doc.LoadFile(good);
    EXPECT_FALSE(doc.HasLoadError());
    EXPECT_STREQ(doc.GetRoot()->FirstChildElement("p")->Attribute("id"), "7");

    struct Case
    {
        QString path;
        const char* what;
    };
    const QString fifo = dir.filePath("fifo.xml");
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const QString deep = dir.filePath("deep.xml");
    WriteAll(deep, "<ProfileLib><!--" + QByteArray("</p>").repeated(40000) + "-->" + QByteArray("<p>").repeated(40000) +
                       QByteArray("</p>").repeated(40000) + "</ProfileLib>");
    QByteArray manyAttributes = "<ProfileLib><p";
    for (int i = 0; i < 40000; ++i)
        manyAttributes += " a" + QByteArray::number(i) + "=\"1\"";
    const QString attributes = dir.filePath("attributes.xml");
    WriteAll(attributes, manyAttributes + "/></ProfileLib>");
    const QString declaration = dir.filePath("declaration.xml");
    WriteAll(declaration, "<?xml version=\"1.0\" ?>\n");
    const Case cases[] = {{broken, "malformed"},
                          {dir.filePath("absent.xml"), "missing"},
                          {declaration, "a declaration without a root"},
                          {fifo, "FIFO"},
                          {"/dev/zero", "endless device"},
                          {dir.path(), "folder"},
                          {deep, "nested 40,000 deep behind a comment"},
                          {attributes, "40,000 attributes"}};
    for (const Case& c : cases) {
        GetQuentaException()->Clear();
        QElapsedTimer timer;
        timer.start();
        doc.LoadFile(c.path);
        EXPECT_LT(timer.elapsed(), 1000) << c.what;
        EXPECT_TRUE(doc.HasLoadError()) << c.what;
        EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_FILE_IO) << c.what;
        EXPECT_NE(std::string(GetQuentaException()->GetExceptionMsg()).find(c.path.toStdString()), std::string::npos);
    }
    // A later good load clears the report.
    doc.LoadFile(good);
    EXPECT_FALSE(doc.HasLoadError());

    CXMLDocument parsed;
    try {
        parsed.Parse("<a><b></a>");
        FAIL() << "malformed text accepted";
    } catch (CBaseException& e) {
        EXPECT_EQ(e.GetCode(), QB_ERR_UNEXPECTED);
        EXPECT_STREQ(e.GetMsg(), "Unexpected error");
    }
}

TEST(CXMLDocument, SaveFailureKeepsTheOldFile)
{
    QTemporaryDir dir;
    CXMLDocument doc;
    GetQuentaException()->Clear();
    doc.SaveFile(dir.filePath("no/such/folder/x.xml"));
    EXPECT_EQ(GetQuentaException()->GetExceptionCode(), QB_ERR_FILE_IO);

    // Replacing a file goes through a temporary name; the result is whole.
    const QString path = dir.filePath("keep.xml");
    WriteAll(path, "old");
    doc.GetRoot()->SetAttribute("v", "new");
    doc.SaveFile(path);
    EXPECT_TRUE(ReadAll(path).contains("v=\"new\""));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.xml"});

    // Whatever lies beside the file is never opened: a pipe there would
    // hold the save until some reader came.
    ASSERT_EQ(mkfifo((path + ".saving~").toLocal8Bit().constData(), 0600), 0);
    doc.GetRoot()->SetAttribute("v", "newer");
    QElapsedTimer timer;
    timer.start();
    doc.SaveFile(path);
    // A save held by the pipe would never end; a loaded machine may still
    // take a second or two.
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_TRUE(ReadAll(path).contains("v=\"newer\""));
}
