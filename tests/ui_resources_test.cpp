#include <gtest/gtest.h>
#include <zip.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include "ui/layout.h"
#include "ui/resources.h"
#include "ui_layouts/test_app.h"

namespace {

QByteArray ReadFixture(const QString& path) {
    QFile file(ui_test::LayoutsDir() + "/" + path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

// Packs files into an AES-encrypted zip the way the build packs the skin.
QByteArray MakeZip(const QHash<QString, QByteArray>& files, const char* password) {
    QTemporaryDir dir;
    const QByteArray path = dir.filePath("skin.zip").toLocal8Bit();
    int error = 0;
    zip_t* archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(archive, nullptr);
    QList<QByteArray> keep;  // libzip reads the buffers at zip_close
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        keep.append(it.value());
        zip_source_t* source =
            zip_source_buffer(archive, keep.back().constData(), keep.back().size(), 0);
        const zip_int64_t index =
            zip_file_add(archive, it.key().toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
        EXPECT_GE(index, 0);
        EXPECT_EQ(zip_file_set_encryption(archive, index, ZIP_EM_AES_256, password), 0);
    }
    EXPECT_EQ(zip_close(archive), 0);
    QFile file(dir.filePath("skin.zip"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

class UiResources : public ::testing::Test {
  protected:
    void SetUp() override {
        ui_test::EnsureApp();
        ui::Resources::Instance().Reset();
    }
    void TearDown() override { ui::Resources::Instance().Reset(); }
    ui::Resources& res = ui::Resources::Instance();
};

TEST_F(UiResources, DirectorySkinMapsLayoutsAndReadsFiles) {
    QString error;
    ASSERT_TRUE(res.LoadFromDirectory(ui_test::LayoutsDir(), &error)) << error.toStdString();
    EXPECT_TRUE(res.HasSkin());
    EXPECT_EQ(res.LayoutPath("XML_TEST"), "xml/test_window.xml");
    EXPECT_EQ(res.LayoutPath("MENU_TEST"), "xml/test_menu.xml");
    EXPECT_EQ(res.LayoutPath("xml\\part.xml"), "xml/part.xml");
    EXPECT_EQ(res.LayoutPath("./xml/../xml/part.xml"), "xml/part.xml");
    EXPECT_EQ(res.ReadFile("xml/part.xml"), ReadFixture("xml/part.xml"));
    EXPECT_TRUE(res.Contains("xml\\popup.xml"));
    EXPECT_EQ(res.Languages(), QStringList({"en", "de", "broken"}));
    EXPECT_TRUE(res.StyleSheet().contains("QPushButton"));
    EXPECT_FALSE(res.Pixmap("img/dot.png").isNull());
    EXPECT_EQ(res.Pixmap("img/dot.png").size(), QSize(4, 4));
    EXPECT_TRUE(res.Pixmap("img/none.png").isNull());
    EXPECT_TRUE(res.Pixmap("xml/part.xml").isNull());
}

TEST_F(UiResources, PathsThatLeaveTheSkinAreRefused) {
    ASSERT_TRUE(res.LoadFromDirectory(ui_test::LayoutsDir()));
    for (const char* path : {"../ui_layout_test.cpp", "xml/../../CMakeLists.txt", "/etc/passwd",
                             "C:/x.xml", "", ".."}) {
        QString error;
        EXPECT_FALSE(res.ReadFile(path, &error)) << path;
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(res.Contains(path)) << path;
    }
    EXPECT_EQ(ui::CleanSkinPath("../x"), "");
    EXPECT_EQ(ui::CleanSkinPath("a/./b//c.xml"), "a/b/c.xml");
}

TEST_F(UiResources, NoSkinMeansEmptyNotBroken) {
    QString error;
    EXPECT_FALSE(res.LoadFromDirectory("/nonexistent/skin", &error));
    EXPECT_TRUE(error.contains("/nonexistent/skin"));
    EXPECT_FALSE(res.HasSkin());
    EXPECT_FALSE(res.ReadFile("xml/res.xml"));
    EXPECT_EQ(res.ResolveText("${tips}"), "tips");
    EXPECT_FALSE(ui::LoadLayout("XML_MAIN", &error));
    EXPECT_FALSE(error.isEmpty());

    // A folder without res.xml: no skin, but its files can still be read by path.
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("xml");
    QFile file(dir.filePath("xml/a.xml"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<Layout/>");
    file.close();
    EXPECT_FALSE(res.LoadFromDirectory(dir.path(), &error));
    EXPECT_TRUE(error.contains("xml/res.xml")) << error.toStdString();
    EXPECT_FALSE(res.HasSkin());
    EXPECT_EQ(res.ReadFile("xml/a.xml"), QByteArray("<Layout/>"));
}

TEST_F(UiResources, BrokenResourceListNamesFileAndLine) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("xml");
    QFile file(dir.filePath("xml/res.xml"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "<resources>\n<layout name=\"A\" file=\"xml/a.xml\"/>\n<layout name=\"B\"\n</resources>");
    file.close();
    QString error;
    EXPECT_FALSE(res.LoadFromDirectory(dir.path(), &error));
    EXPECT_TRUE(error.startsWith("xml/res.xml:4: ")) << error.toStdString();
    EXPECT_FALSE(res.HasSkin());
}

TEST_F(UiResources, EncryptedArchiveSkin) {
    const QHash<QString, QByteArray> files = {
        {"xml/res.xml", ReadFixture("xml/res.xml")},
        {"xml/part.xml", ReadFixture("xml/part.xml")},
        {"lan/en.xml", ReadFixture("lan/en.xml")},
        {"lan/de.xml", ReadFixture("lan/de.xml")},
    };
    const QByteArray zip = MakeZip(files, "pomvex-tirk-balund");
    QString error;
    ASSERT_TRUE(res.LoadFromArchive(zip, "pomvex-tirk-balund", &error)) << error.toStdString();
    EXPECT_EQ(res.SourceName(), "archive");
    EXPECT_EQ(res.ReadFile("xml\\part.xml"), files["xml/part.xml"]);
    EXPECT_TRUE(res.SelectLanguage("de"));
    EXPECT_EQ(res.ResolveText("${title} ${only_en}"), "Titel English only");

    res.Reset();
    EXPECT_FALSE(res.LoadFromArchive(zip, "wrong password", &error));
    EXPECT_FALSE(res.HasSkin());
    EXPECT_TRUE(error.contains("res.xml")) << error.toStdString();

    for (const QByteArray& junk :
         {QByteArray(), QByteArray("PK\x03\x04 not a zip"), zip.left(zip.size() / 2)}) {
        res.Reset();
        EXPECT_FALSE(res.LoadFromArchive(junk, "pomvex-tirk-balund", &error));
        EXPECT_FALSE(res.HasSkin());
    }
}

TEST_F(UiResources, LanguagesFallBackToEnglishThenToTheKeyName) {
    ASSERT_TRUE(res.LoadFromDirectory(ui_test::LayoutsDir()));
    // Before any selection English answers.
    EXPECT_EQ(res.CurrentLanguage(), "");
    EXPECT_EQ(res.ResolveText("${title}"), "Title");
    ASSERT_TRUE(res.SelectLanguage("de"));
    EXPECT_EQ(res.CurrentLanguage(), "de");
    EXPECT_EQ(res.ResolveText("${title}: ${confirm}"), "Titel: Ja");
    EXPECT_EQ(res.ResolveText("${only_en}"), "English only");
    EXPECT_EQ(res.ResolveText("${nowhere}"), "nowhere");
    EXPECT_EQ(res.ResolveText("${two_lines}"), "first\nsecond");
    EXPECT_EQ(res.FindText("${title}"), QString("Titel"));
    EXPECT_EQ(res.FindText("only_en"), QString("English only"));
    EXPECT_FALSE(res.FindText("nowhere"));
    EXPECT_EQ(ui::ResolveText("${cancel}"), "Abbrechen");
}

TEST_F(UiResources, FailedSelectionKeepsTheCurrentLanguage) {
    ASSERT_TRUE(res.LoadFromDirectory(ui_test::LayoutsDir()));
    ASSERT_TRUE(res.SelectLanguage("de"));
    QString error;
    EXPECT_FALSE(res.SelectLanguage("fr", &error));
    EXPECT_TRUE(error.contains("\"fr\" is not registered"));
    EXPECT_FALSE(res.SelectLanguage("broken", &error));
    EXPECT_TRUE(error.startsWith("lan/broken.xml:5: ")) << error.toStdString();
    res.AddLanguage("gone", "lan/gone.xml");
    EXPECT_FALSE(res.SelectLanguage("gone", &error));
    EXPECT_TRUE(error.contains("lan/gone.xml"));
    EXPECT_EQ(res.CurrentLanguage(), "de");
    EXPECT_EQ(res.ResolveText("${title}"), "Titel");
}

TEST_F(UiResources, LanguageChangeReachesOpenWidgets) {
    ASSERT_TRUE(res.LoadFromDirectory(ui_test::LayoutsDir()));
    struct Watcher : QLabel {
        int changes = 0;
        void changeEvent(QEvent* e) override {
            if (e->type() == QEvent::LanguageChange) {
                ++changes;
            }
            QLabel::changeEvent(e);
        }
    } watcher;
    ASSERT_TRUE(res.SelectLanguage("de"));
    EXPECT_EQ(watcher.changes, 1);
    EXPECT_TRUE(res.SelectLanguage("de"));  // already current: nothing to redo
    EXPECT_EQ(watcher.changes, 1);
    ASSERT_TRUE(res.SelectLanguage("en"));
    EXPECT_EQ(watcher.changes, 2);
}

TEST_F(UiResources, StyleSheetLengthsFollowTheScale) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("xml");
    QFile list(dir.filePath("xml/res.xml"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(
        "<resources><style file=\"xml/s.qss\"/><font family=\"DejaVu Sans\" "
        "size=\"12\"/></resources>");
    list.close();
    QFile style(dir.filePath("xml/s.qss"));
    ASSERT_TRUE(style.open(QIODevice::WriteOnly));
    style.write(
        "QPushButton { border: 1px solid #123; padding: 3px 10px; margin: -2px; }\n"
        "QLabel[class~=\"t\"] { font-size: 15px; }");
    style.close();
    ASSERT_TRUE(res.LoadFromDirectory(dir.path()));
    EXPECT_EQ(res.ScaledStyleSheet(96), res.StyleSheet());
    EXPECT_EQ(res.ScaledStyleSheet(192),
              "QPushButton { border: 2px solid #123; padding: 6px 20px; margin: -4px; }\n"
              "QLabel[class~=\"t\"] { font-size: 30px; }");
    // A hairline stays one pixel wide when scaled down.
    EXPECT_TRUE(
        res.ScaledStyleSheet(48).startsWith("QPushButton { border: 1px solid #123; "
                                            "padding: 2px 5px; margin: -1px; }"));
    res.SetUiScaleDpi(192);
    EXPECT_EQ(res.UiScaleDpi(), 192);
    EXPECT_EQ(qApp->styleSheet(), res.ScaledStyleSheet(192));
    EXPECT_EQ(QApplication::font().pixelSize(), 24);
    res.SetUiScaleDpi(96);
    EXPECT_EQ(QApplication::font().pixelSize(), 12);
}

TEST_F(UiResources, TheBuildCarriesTheSkin) {
    QString error;
    ASSERT_TRUE(res.LoadEmbedded(&error)) << error.toStdString();
    EXPECT_EQ(res.SourceName(), "archive");
    EXPECT_EQ(res.Languages(), QStringList({"en", "cn_zh", "ru"}));
    EXPECT_FALSE(res.StyleSheet().isEmpty());
}

// The skin shipped with the program, read from the source tree.
TEST_F(UiResources, RealSkinLoadsAndItsThemeParses) {
    QString error;
    ASSERT_TRUE(res.LoadFromDirectory(ui_test::SkinDir(), &error)) << error.toStdString();
    EXPECT_EQ(res.Languages(), QStringList({"en", "cn_zh", "ru"}));
    EXPECT_EQ(res.LayoutPath("XML_MSG"), "xml/msg.xml");
    EXPECT_EQ(res.LayoutPath("XML_MAIN"), "xml/main.xml");
    ASSERT_FALSE(res.StyleSheet().isEmpty());

    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
            warnings.append(message);
        });
    QWidget probe;
    probe.setStyleSheet(res.StyleSheet());
    probe.ensurePolished();
    qInstallMessageHandler(previous);
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join("\n").toStdString();

    for (const QString& language : res.Languages()) {
        EXPECT_TRUE(res.SelectLanguage(language, &error)) << error.toStdString();
        EXPECT_NE(res.ResolveText("${tips}"), "tips") << language.toStdString();
    }
    // Every layout the skin has so far parses.
    for (const QString& name : res.LayoutNames()) {
        if (!res.Contains(res.LayoutPath(name))) {
            continue;  // not written yet
        }
        EXPECT_TRUE(ui::LoadLayout(name, &error)) << error.toStdString();
    }
}

}  // namespace
