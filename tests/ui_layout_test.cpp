#include <gtest/gtest.h>

#include <QHash>

#include "ui/layout.h"

namespace {

// An in-memory skin for includes.
struct Files {
    QHash<QString, QByteArray> files;
    ui::LayoutFileReader Reader() const {
        return [this](const QString& path, QString* error) -> std::optional<QByteArray> {
            const auto it = files.constFind(path);
            if (it == files.constEnd()) {
                *error = path + ": not in the skin";
                return std::nullopt;
            }
            return *it;
        };
    }
};

std::optional<ui::LayoutNode> Parse(const QByteArray& xml, QString* error,
                                    const Files& files = {}) {
    return ui::ParseLayout(xml, "xml/t.xml", files.Reader(), error);
}

QStringList Names(const ui::LayoutNode& node) {
    QStringList names;
    for (const ui::LayoutNode& child : node.children) {
        names.append(child.Attr("name"));
    }
    return names;
}

TEST(UiLayout, ParsesElementsAttributesAndLines) {
    QString error;
    const auto root = Parse(
        "<?xml version=\"1.0\"?>\n"
        "<Window size=\"400,300\" caption=\"${tips}\">\n"
        "  <!-- a comment -->\n"
        "  <Label name=\"a\" pos=\"1,2,3,4\" text=\"one\\ntwo\"/>\n"
        "  <Group name=\"g\" pos=\"0,0,10,10\">\n"
        "    <Button name=\"b\" pos=\"5,6,7,8\"/>\n"
        "  </Group>\n"
        "</Window>\n",
        &error);
    ASSERT_TRUE(root) << error.toStdString();
    EXPECT_TRUE(root->TagIs("window"));
    EXPECT_EQ(root->line, 2);
    EXPECT_EQ(root->Attr("CAPTION"), "${tips}");
    ASSERT_EQ(root->children.size(), 2u);
    const ui::LayoutNode& label = root->children[0];
    EXPECT_EQ(label.line, 4);
    EXPECT_EQ(label.file, "xml/t.xml");
    EXPECT_EQ(label.Attr("text"), "one\ntwo");
    QRect rect;
    ASSERT_TRUE(label.ReadRect("pos", &rect, &error));
    EXPECT_EQ(rect, QRect(1, 2, 3, 4));
    EXPECT_EQ(root->children[1].children[0].Attr("name"), "b");
    EXPECT_EQ(root->children[1].children[0].Where(), "xml/t.xml:6: ");
}

TEST(UiLayout, RepeatStampsNamesTextsUserDataAndOffsets) {
    QString error;
    const auto root = Parse(
        "<Window size=\"10,10\">\n"
        "  <Repeat count=\"12\" dx=\"30\">\n"
        "    <CheckBox name=\"ch_mute_%d\" pos=\"10,60,28,20\" text=\"CH%n\"/>\n"
        "  </Repeat>\n"
        "  <Repeat count=\"3\" start=\"4\" number=\"10\" dy=\"-5\">\n"
        "    <Edit name=\"eq_gain_%d\" pos=\"0,100,20,10\" userdata=\"band%d\" text=\"#%n\"/>\n"
        "  </Repeat>\n"
        "</Window>\n",
        &error);
    ASSERT_TRUE(root) << error.toStdString();
    ASSERT_EQ(root->children.size(), 15u);
    for (int i = 0; i < 12; ++i) {
        const ui::LayoutNode& c = root->children[i];
        EXPECT_EQ(c.Attr("name"), QString("ch_mute_%1").arg(i));
        EXPECT_EQ(c.Attr("text"), QString("CH%1").arg(i + 1));
        EXPECT_EQ(c.Attr("userdata"), QString::number(i));
        QRect rect;
        ASSERT_TRUE(c.ReadRect("pos", &rect, &error));
        EXPECT_EQ(rect, QRect(10 + 30 * i, 60, 28, 20));
        EXPECT_EQ(c.line, 3);
    }
    const ui::LayoutNode& last = root->children[14];
    EXPECT_EQ(last.Attr("name"), "eq_gain_6");
    EXPECT_EQ(last.Attr("userdata"), "band6");
    EXPECT_EQ(last.Attr("text"), "#12");
    QRect rect;
    ASSERT_TRUE(last.ReadRect("pos", &rect, &error));
    EXPECT_EQ(rect.y(), 90);
}

TEST(UiLayout, NestedRepeatsFillPlaceholdersOuterFirst) {
    QString error;
    const auto root = Parse(
        "<Layout>\n"
        "  <Repeat count=\"2\" dy=\"44\">\n"
        "    <Label name=\"title_label_%d\" pos=\"0,0,50,20\"/>\n"
        "    <Repeat count=\"3\" dx=\"60\">\n"
        "      <Slider name=\"box_volume_%d_%d\" pos=\"60,0,50,20\"/>\n"
        "    </Repeat>\n"
        "  </Repeat>\n"
        "</Layout>\n",
        &error);
    ASSERT_TRUE(root) << error.toStdString();
    EXPECT_EQ(Names(*root),
              QStringList({"title_label_0", "box_volume_0_0", "box_volume_0_1", "box_volume_0_2",
                           "title_label_1", "box_volume_1_0", "box_volume_1_1", "box_volume_1_2"}));
    const ui::LayoutNode& cell = root->children[7];  // row 1, column 2
    EXPECT_EQ(cell.Attr("userdata"), "2");           // the innermost index
    EXPECT_EQ(root->children[4].Attr("userdata"), "1");
    QRect rect;
    ASSERT_TRUE(cell.ReadRect("pos", &rect, &error));
    EXPECT_EQ(rect.topLeft(), QPoint(60 + 2 * 60, 44));
}

TEST(UiLayout, IncludeSplicesFilesAndRepeatsReachIntoThem) {
    Files files;
    files.files["xml/cell.xml"] =
        "<Layout>\n  <Label name=\"cell_%d\" pos=\"1,1,5,5\"/>\n  <Label name=\"fixed\" "
        "pos=\"0,0,1,1\"/>\n</Layout>";
    files.files["xml/outer.xml"] = "<Layout><Include file=\"xml/cell.xml\" dx=\"100\"/></Layout>";
    QString error;
    const auto root = Parse(
        "<Layout>\n"
        "  <Include layout=\"xml\\outer.xml\"/>\n"
        "  <Repeat count=\"2\" dy=\"10\"><Include file=\"xml/cell.xml\"/></Repeat>\n"
        "</Layout>\n",
        &error, files);
    ASSERT_TRUE(root) << error.toStdString();
    EXPECT_EQ(Names(*root),
              QStringList({"cell_%d", "fixed", "cell_0", "fixed", "cell_1", "fixed"}));
    EXPECT_EQ(root->children[0].file, "xml/cell.xml");
    EXPECT_EQ(root->children[0].line, 2);
    EXPECT_EQ(root->children[0].Attr("pos"), "101,1,5,5");
    EXPECT_EQ(root->children[4].Attr("pos"), "1,11,5,5");
}

struct ErrorCase {
    const char* what;
    QByteArray xml;
    const char* expected;  // the start of the message
};

TEST(UiLayout, ErrorsNameFileLineAndProblem) {
    Files files;
    files.files["xml/self.xml"] = "<Layout>\n<Include file=\"xml/self.xml\"/>\n</Layout>";
    files.files["xml/win.xml"] = "<Window size=\"1,1\"/>";
    files.files["xml/bad.xml"] = "<Layout>\n\n<Label name=\"x\" pos=\"0,0,1,1\">\n</Layout>";
    const ErrorCase cases[] = {
        {"unclosed element", "<Window size=\"1,1\">\n  <Label name=\"a\">\n</Window>\n",
         "xml/t.xml:3: "},
        {"duplicate attribute", "<Window>\n<Label name=\"a\" name=\"b\"/>\n</Window>",
         "xml/t.xml:2: "},
        {"stray text", "<Window>\n  hello\n</Window>", "xml/t.xml:"},
        {"repeat without count", "<Layout>\n<Repeat><Label/></Repeat>\n</Layout>",
         "xml/t.xml:2: <Repeat> count must be 0..1000"},
        {"repeat too large", "<Layout>\n<Repeat count=\"1001\"><Label/></Repeat>\n</Layout>",
         "xml/t.xml:2: <Repeat> count must be 0..1000"},
        {"repeat bad number",
         "<Layout>\n<Repeat count=\"2\" dx=\"1.5\"><Label/></Repeat>\n</Layout>",
         "xml/t.xml:2: <Repeat> attribute dx=\"1.5\""},
        {"include cycle", "<Layout>\n<Include file=\"xml/self.xml\"/>\n</Layout>",
         "xml/self.xml:2: include cycle"},
        {"include missing", "<Layout>\n<Include file=\"xml/nope.xml\"/>\n</Layout>",
         "xml/t.xml:2: cannot include xml/nope.xml"},
        {"include escapes the skin", "<Layout>\n<Include file=\"../../etc/passwd\"/>\n</Layout>",
         "xml/t.xml:2: \"../../etc/passwd\" is not a path inside the skin"},
        {"include of a window", "<Layout>\n<Include file=\"xml/win.xml\"/>\n</Layout>",
         "xml/win.xml:1: an included file's root must be <Layout>"},
        {"broken include", "<Layout>\n<Include file=\"xml/bad.xml\"/>\n</Layout>",
         "xml/bad.xml:4: "},
        {"no root", "<?xml version=\"1.0\"?>\n", "xml/t.xml:"},
        {"repeat as root", "<Repeat count=\"1\"/>", "xml/t.xml:1: <Repeat> cannot be the root"},
    };
    for (const ErrorCase& c : cases) {
        QString error;
        EXPECT_FALSE(Parse(c.xml, &error, files)) << c.what;
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.expected)))
            << c.what << ": " << error.toStdString();
    }
}

TEST(UiLayout, HostileSizesAreRefused) {
    QString error;
    EXPECT_FALSE(
        Parse("<Layout><Repeat count=\"1000\"><Repeat count=\"1000\"><Label/></Repeat>"
              "</Repeat></Layout>",
              &error));
    EXPECT_TRUE(error.contains("layout grows beyond")) << error.toStdString();

    QByteArray flat = "<Layout>";
    for (int i = 0; i < ui::kMaxLayoutNodes + 1; ++i) {
        flat += "<Label/>";
    }
    flat += "</Layout>";
    EXPECT_FALSE(Parse(flat, &error));
    EXPECT_TRUE(error.contains("more than 20000 elements")) << error.toStdString();

    QByteArray deep;
    for (int i = 0; i < 100; ++i) {
        deep += "<Group>";
    }
    for (int i = 0; i < 100; ++i) {
        deep += "</Group>";
    }
    EXPECT_FALSE(Parse(deep, &error));
    EXPECT_TRUE(error.contains("nested deeper")) << error.toStdString();

    ui::LayoutNode node;
    node.SetAttr("pos", "0,0,-5,3");
    QRect rect;
    EXPECT_FALSE(node.ReadRect("pos", &rect, &error));
    node.SetAttr("pos", "0,0,99999999,3");
    EXPECT_FALSE(node.ReadRect("pos", &rect, &error));
}

TEST(UiLayout, ValueParsers) {
    EXPECT_EQ(ui::ParseBool("TRUE"), true);
    EXPECT_EQ(ui::ParseBool("0"), false);
    EXPECT_FALSE(ui::ParseBool("maybe"));
    EXPECT_EQ(ui::ParseColor("#102030"), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(ui::ParseColor("0xFFF6CE1D"), QColor(0xF6, 0xCE, 0x1D, 0xFF));
    EXPECT_EQ(ui::ParseColor("#80FF0000")->alpha(), 0x80);
    EXPECT_FALSE(ui::ParseColor("red"));
    EXPECT_FALSE(ui::ParseColor("#12345"));
    EXPECT_FALSE(ui::ParseColor("#GG0000"));
}

}  // namespace
