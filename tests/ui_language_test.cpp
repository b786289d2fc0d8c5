#include <gtest/gtest.h>

#include <QHash>

#include "ui/language.h"

namespace {

ui::TextLookup Table(const QHash<QString, QString>& texts) {
    return [texts](const QString& key) -> std::optional<QString> {
        const auto it = texts.constFind(key);
        if (it == texts.constEnd()) {
            return std::nullopt;
        }
        return *it;
    };
}

TEST(UiLanguage, LoadsTextsAndLineBreaks) {
    const QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<language name=\"ru\">\n"
        "  <text key=\"tips\">Внимание</text>\n"
        "  <text key=\"two\">a\\nb</text>\n"
        "  <text key=\"amp\">L &amp; R</text>\n"
        "</language>\n";
    ui::TextTable table;
    QString error;
    ASSERT_TRUE(table.Load(xml, "lan/lan_ru.xml", &error)) << error.toStdString();
    EXPECT_EQ(table.Name(), "ru");
    EXPECT_EQ(table.Size(), 3);
    EXPECT_EQ(table.Find("tips"), QString::fromUtf8("Внимание"));
    EXPECT_EQ(table.Find("two"), QString("a\nb"));
    EXPECT_EQ(table.Find("amp"), QString("L & R"));
    EXPECT_FALSE(table.Find("missing").has_value());
}

TEST(UiLanguage, OdditiesLoadWithWarningsNamingTheLine) {
    const QByteArray xml =
        "<language name=\"en\">\n"
        "  <text key=\"a\">first</text>\n"
        "  <text key=\"a\">second</text>\n"
        "  <note>x</note>\n"
        "  <text>no key</text>\n"
        "</language>\n";
    ui::TextTable table;
    QString error;
    QStringList warnings;
    ASSERT_TRUE(table.Load(xml, "lan/x.xml", &error, &warnings));
    EXPECT_EQ(table.Find("a"), QString("first"));
    ASSERT_EQ(warnings.size(), 3);
    EXPECT_TRUE(warnings[0].startsWith("lan/x.xml:3: duplicate key \"a\""))
        << warnings[0].toStdString();
    EXPECT_TRUE(warnings[1].startsWith("lan/x.xml:4: unknown element <note>"));
    EXPECT_TRUE(warnings[2].startsWith("lan/x.xml:5:"));
}

TEST(UiLanguage, BrokenFilesFailWithFileAndLineAndKeepTheTable) {
    ui::TextTable table;
    QString error;
    ASSERT_TRUE(
        table.Load("<language name=\"en\"><text key=\"k\">v</text></language>", "a.xml", &error));
    struct Case {
        QByteArray xml;
        QString prefix;
    };
    const Case cases[] = {
        {"<language name=\"en\">\n<text key=\"k\">v\n</language>", "b.xml:3:"},
        {"<strings>\n</strings>", "b.xml:1: root element is <strings>"},
        {"\n\n<language>\n</language>", "b.xml:3: <language> has no name"},
        {"", "b.xml:"},
        {"\xff\xfe garbage", "b.xml:"},
    };
    for (const Case& c : cases) {
        error.clear();
        EXPECT_FALSE(table.Load(c.xml, "b.xml", &error)) << c.xml.toStdString();
        EXPECT_TRUE(error.startsWith(c.prefix)) << error.toStdString();
        EXPECT_EQ(table.Find("k"), QString("v"));
    }
}

TEST(UiLanguage, ResolvesEveryKeyInAText) {
    const auto lookup = Table({{"tips", "Notice"}, {"reverse phase", "Invert"}, {"a", "${b}"}});
    EXPECT_EQ(ui::ResolveKeys("${tips}", lookup), "Notice");
    EXPECT_EQ(ui::ResolveKeys("[${tips}] ${reverse phase}!", lookup), "[Notice] Invert!");
    EXPECT_EQ(ui::ResolveKeys("CH%d", lookup), "CH%d");
    // A translation is not scanned again.
    EXPECT_EQ(ui::ResolveKeys("${a}", lookup), "${b}");
}

TEST(UiLanguage, MissingAndMalformedKeys) {
    const auto lookup = Table({{"tips", "Notice"}});
    QStringList missing;
    EXPECT_EQ(ui::ResolveKeys("${nope} ${tips} ${also}", lookup, &missing), "nope Notice also");
    EXPECT_EQ(missing, QStringList({"nope", "also"}));
    EXPECT_EQ(ui::ResolveKeys("${tips", lookup), "${tips");
    EXPECT_EQ(ui::ResolveKeys("${} ${tips}", lookup), "${} Notice");
    EXPECT_EQ(ui::ResolveKeys("$${tips}}", lookup), "$Notice}");
    EXPECT_EQ(ui::ResolveKeys("${tips}", nullptr), "tips");
    EXPECT_TRUE(ui::HasTextKeys("x ${a}"));
    EXPECT_FALSE(ui::HasTextKeys("x ${}"));
    EXPECT_FALSE(ui::HasTextKeys("100%"));
}

TEST(UiLanguage, AmpersandsStayVisibleInButtonsAndMenus) {
    EXPECT_EQ(ui::EscapeMnemonic("L & R"), "L && R");
    EXPECT_EQ(ui::EscapeMnemonic("plain"), "plain");
}

}  // namespace
