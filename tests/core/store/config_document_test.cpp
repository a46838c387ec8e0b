#include "core/store/config_document.h"

#include <gtest/gtest.h>

#include "core/app/gbk.h"

namespace korvan {
namespace {

TEST(ConfigDocument, WritesTheStoredForm) {
    ConfigDocument doc;
    doc.reset("root");
    EXPECT_TRUE(doc.appendChild("root", "a:b", "1 & <2>"));
    EXPECT_TRUE(doc.appendChild("root", "empty", ""));
    EXPECT_FALSE(doc.appendChild("other", "x", "y"));
    EXPECT_EQ(doc.toText(),
              "<?xml version=\"1.0\" encoding=\"gb18030\"?>\r\n<root>\r\n"
              "\t<a:b>1 &amp; &lt;2&gt;</a:b>\r\n\t<empty/>\r\n</root>");
}

TEST(ConfigDocument, EscapesTheFiveCharactersButNotSecondBytes) {
    EXPECT_EQ(xmlEscape("\"'&<>"), "&quot;&apos;&amp;&lt;&gt;");
    // 0x81 takes the next byte with it unchanged, even a "<".
    EXPECT_EQ(xmlEscape("\x81<<"), "\x81<&lt;");
}

TEST(ConfigDocument, ReadsTrimsAndUnescapes) {
    ConfigDocument doc;
    ASSERT_TRUE(doc.parse("<?xml version=\"1.0\"?>\n<!-- c --><r a=\"x>\">"
                          "<n> \t 1 &amp; 2 &foo; &lt;\r\n</n><e/><n>second</n></r>\n"));
    EXPECT_EQ(doc.textAt("r/n"), "1 & 2 &foo; <");
    EXPECT_EQ(doc.textAt("r/e"), "");
    EXPECT_EQ(doc.textAt("r/missing"), std::nullopt);
    EXPECT_EQ(doc.textAt("x/n"), std::nullopt);
}

TEST(ConfigDocument, ReadsWhatItWrites) {
    ConfigDocument doc;
    const std::string root = gbk("主机参数");
    doc.reset(root);
    doc.appendChild(root, gbk("分辨率:宽"), "1024");
    doc.appendChild(root, "note", gbk("服务器 <1>"));
    ConfigDocument back;
    ASSERT_TRUE(back.parse(doc.toText()));
    EXPECT_EQ(back.textAt(root + "/" + gbk("分辨率:宽")), "1024");
    EXPECT_EQ(back.textAt(root + "/note"), gbk("服务器 <1>"));
}

TEST(ConfigDocument, RefusesBrokenDocuments) {
    ConfigDocument doc;
    for (const char* bad : {"", "garbage", "<a>", "<a></b>", "<a><b></a>", "<a/><b/>", "<a>x</a>y"}) {
        EXPECT_FALSE(doc.parse(bad)) << bad;
        EXPECT_EQ(doc.textAt("a"), std::nullopt);
    }
    std::string deep;
    for (int i = 0; i < 10000; ++i) deep += "<a>";
    EXPECT_FALSE(doc.parse(deep));  // no stack exhaustion
}

}  // namespace
}  // namespace korvan
