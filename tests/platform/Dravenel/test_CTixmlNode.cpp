#include "ITixmlNode.h"
#include "ProfileTestUtil.h"

#include <string>
#include <vector>

using namespace ProfileTest;

namespace {

ITixmlNode* Root(IProfile& p)
{
    IDravenelObject* root = p.GetRootObject();
    return root ? static_cast<ITixmlNode*>(root->QueryInterface("ITixmlNode")) : nullptr;
}

ITixmlNode* Child(ITixmlNode* parent, const char* name)
{
    for (ITixmlNode* n = parent->FirstChild(); n; n = n->NextSibling())
        if (std::string(n->GetName()) == name)
            return n;
    return nullptr;
}

std::vector<std::string> Names(ITixmlNode* parent)
{
    std::vector<std::string> names;
    for (ITixmlNode* n = parent->FirstChild(); n; n = n->NextSibling())
        names.push_back(std::string(n->GetName()) + ":" + (n->GetAttribute("id") ? n->GetAttribute("id") : ""));
    return names;
}

} // namespace

TEST(CTixmlNode, RootAnswersOnlyItsNodeInterface)
{
    ProfilePtr p = New();
    IDravenelObject* root = p->GetRootObject();
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(nullptr, root->QueryInterface("IProfile"));
    EXPECT_EQ(nullptr, root->QueryInterface(nullptr));
    ITixmlNode* node = Root(*p);
    ASSERT_NE(nullptr, node);
    EXPECT_STREQ("Profile", node->GetName());
    EXPECT_EQ(node, Root(*p)); // one wrapper per node
    EXPECT_NE(nullptr, Child(node, "Video"));
}

TEST(CTixmlNode, InsertAfterPlacesChildrenAndNullAppends)
{
    ProfilePtr p = New();
    ITixmlNode* list = Root(*p)->InsertChild(nullptr, "StreamParams");
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(nullptr, list->FirstChild());
    ITixmlNode* a = list->InsertChild(nullptr, "VideoParam");
    a->SetAttribute("id", "a");
    ITixmlNode* c = list->InsertChild(a, "AudioParam");
    c->SetAttribute("id", "c");
    ITixmlNode* b = list->InsertChild(a, "AudioParam");
    b->SetAttribute("id", "b");
    list->InsertChild(nullptr, "SubtitleParam")->SetAttribute("id", "d");
    EXPECT_EQ((std::vector<std::string>{"VideoParam:a", "AudioParam:b", "AudioParam:c", "SubtitleParam:d"}),
              Names(list));
    // A node that is no child of this one: appended, not inserted elsewhere.
    list->InsertChild(Root(*p), "SubtitleParam")->SetAttribute("id", "e");
    EXPECT_EQ("SubtitleParam:e", Names(list).back());
    EXPECT_EQ(Child(Root(*p), "StreamParams"), list);
}

TEST(CTixmlNode, AttributesKeepTheirTypesThroughTheProfileText)
{
    ProfilePtr p = New();
    ITixmlNode* v = Root(*p)->InsertChild(nullptr, "VideoParam");
    v->SetIntAttribute("Width", -1);
    v->SetDoubleAttribute("FrameRate", 24000.0 / 1001);
    v->SetAttribute("FourCC", "avc1");
    v->SetAttribute("Language", "日本語");

    ProfilePtr q = New();
    ASSERT_TRUE(q->LoadText(p->GetText()));
    ITixmlNode* w = Child(Root(*q), "VideoParam");
    ASSERT_NE(nullptr, w);
    EXPECT_EQ(-1, w->GetIntAttribute("Width"));
    EXPECT_EQ(24000.0 / 1001, w->GetDoubleAttribute("FrameRate"));
    EXPECT_STREQ("avc1", w->GetAttribute("FourCC"));
    EXPECT_STREQ("日本語", w->GetAttribute("Language"));
    EXPECT_EQ(nullptr, w->GetAttribute("Aspect"));
    EXPECT_EQ(0, w->GetIntAttribute("Aspect"));
    EXPECT_EQ(0, w->GetIntAttribute("FourCC")); // no number
    EXPECT_EQ(0.0, w->GetDoubleAttribute("Language"));
}

TEST(CTixmlNode, RemoveTakesDescendantsOnlyAndForgetsTheirWrappers)
{
    ProfilePtr p = New();
    ITixmlNode* root = Root(*p);
    ITixmlNode* list = root->InsertChild(nullptr, "StreamParams");
    ITixmlNode* first = list->InsertChild(nullptr, "VideoParam");
    ITixmlNode* inner = first->InsertChild(nullptr, "Inner");
    list->InsertChild(nullptr, "AudioParam");
    (void)inner->FirstChild();

    EXPECT_FALSE(root->RemoveNode(root));
    EXPECT_FALSE(first->RemoveNode(list)); // an ancestor, not a descendant
    GetQuentaException()->Clear();
    EXPECT_FALSE(root->RemoveNode(nullptr));
    EXPECT_EQ(10021003, Code());

    // Removed through the root although it lies two levels down.
    EXPECT_TRUE(root->RemoveNode(first));
    ASSERT_NE(nullptr, list->FirstChild());
    EXPECT_STREQ("AudioParam", list->FirstChild()->GetName());
    EXPECT_EQ(nullptr, list->FirstChild()->NextSibling());
    // A fresh node in the freed place gets a fresh wrapper (ASan watches).
    ITixmlNode* again = list->InsertChild(nullptr, "VideoParam");
    again->SetIntAttribute("Width", 1);
    EXPECT_EQ(1, again->GetIntAttribute("Width"));
}

TEST(CTixmlNode, NodesOfAClonedOrReloadedProfileAreItsOwn)
{
    ProfilePtr p = New();
    Root(*p)->InsertChild(nullptr, "ChapterParams")->InsertChild(nullptr, "ChapterParam")->SetIntAttribute("start", 5);
    ProfilePtr clone(p->Clone());
    ITixmlNode* chapters = Child(Root(*clone), "ChapterParams");
    ASSERT_NE(nullptr, chapters);
    chapters->FirstChild()->SetIntAttribute("start", 9);
    EXPECT_EQ(5, Child(Root(*p), "ChapterParams")->FirstChild()->GetIntAttribute("start"));

    ASSERT_TRUE(p->LoadText(clone->GetText()));
    EXPECT_EQ(9, Child(Root(*p), "ChapterParams")->FirstChild()->GetIntAttribute("start"));
}
