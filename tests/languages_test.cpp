// The three language files: well formed, the same keys, the same printf placeholders per key,
// every key the program uses, and real text in each language.

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

// Every key the program's windows, controls and messages use, separated by commas.
constexpr char kProgramKeys[] =
    "ab_files,ab_hint_a,ab_hint_b,ab_strip_differs,adjust_ch_volume,all_bypass,amp_off,amp_on,"
    "btn_2ohm_spk,btn_4ohm_spk,btn_connected,"
    "btn_connecting,btn_disconnected,btn_noise_gate_off,btn_noise_gate_on,bypass_all_eq_tips,"
    "bypass_eq,cancel,center,center_full,center_tweeter,center_woofer,compensate_eq,confirm,"
    "copy_left_to_right,copy_right_to_left,default,delete,delete_scene,detect_level,"
    "detect_location,detect_speaker,device_connect_fail,device_not_match,device_plugout,"
    "device_reboot,device_status_unnormal,dsp_fw_new_tips,dsp_is_off,emptied,empty,"
    "empty_output_tips,exit,factory_default_tips,front,front_center_all,front_left_full,"
    "front_left_mid_twee,front_left_mid_woof,front_left_midrange,front_left_tweeter,"
    "front_left_woofer,front_right_full,front_right_mid_twee,front_right_mid_woof,"
    "front_right_midrange,front_right_tweeter,front_right_woofer,full,geq_mode,geq_mode_tips,"
    "inner_fw_version,irc_apply_tips,irc_applyed,irc_canceled,irc_completed,irc_failed,"
    "irc_failed_ch_volume,irc_failed_delay,irc_failed_eq,irc_failed_level,irc_failed_mic,"
    "irc_failed_speaker,irc_option_warning_tips,irc_start_tips,irc_stoped,"
    "irc_subwoof_not_test,left,left_subwoofer,left_subwoofer_freq,link_tips,load,"
    "load_fw_fail,load_scene,load_scene_tips1,load_scene_tips2,loading_fw,lock_output_tips,"
    "menu_ab,menu_ab_copy_a_to_b,menu_ab_copy_b_to_a,menu_ab_load,menu_ab_save,"
    "midrange,midrange_tweeter,midrange_woofer,mutex_tips,name,noise_close,noise_open,"
    "not_linkable_tips,off,peq_mode,peq_mode_tips,please_plug_out_and_in,positive_phase,"
    "profile_create_error,profile_load_error,profile_open_error,profile_save_ok,rear,"
    "rear_center_all,rear_left_full,rear_left_mid,rear_left_tweeter,rear_left_woofer,"
    "rear_right_full,rear_right_mid,rear_right_tweeter,rear_right_woofer,rem_out1_off,"
    "rem_out1_on,rem_out2_off,rem_out2_on,reset_all_eq_tips,restore_all_eq_tips,"
    "restore_all_factory_eq_tips,restore_cs_auto,restore_eq,reverse phase,right,"
    "right_subwoofer,right_subwoofer_freq,same_name_tips,save,save_as_scene,save_scene_ok,"
    "save_scene_overwrite,soft_version,software_not_match,source_aux,source_bt,source_coax,"
    "source_dmp,source_hi,source_low,source_opt,source_scp,source_udp,start_irc,"
    "start_irc_tips,stop,subwoofer,subwoofer_freq,test_freq_response,tips,tweeter,"
    "unit_db,unit_hz,unit_khz,unit_kilo_sym,unlock_output_tips,update_check_flash,"
    "update_check_mcu,update_factory,"
    "update_factory_reboot,update_fail,update_finish,update_no_file,update_ok,"
    "update_progress_flash,update_progress_mcu,update_reboot_flash,update_reboot_mcu,"
    "update_start_flash,update_start_mcu,update_tips,version,woofer";

// Keys formatted with values, and the conversions each must carry, in order.
const std::map<QString, QStringList> kFormatKeys = {
    {"update_tips", {"%d", "%d", "%d", "%d"}},      // amplifier major, minor; built-in major, minor
    {"dsp_fw_new_tips", {"%d", "%d", "%d", "%d"}},  // the same four
    {"device_not_match", {}},         // printed with "%s %d" as the text, then the model
    {"update_progress_mcu", {"%d"}},  // percent
    {"update_progress_flash", {"%d"}},
    {"load_scene_tips1", {"%d", "%s"}},  // scene number, scene name
    {"load_scene_tips2", {"%d"}},
    {"save_scene_overwrite", {"%d"}},
    {"same_name_tips", {"%s", "%d", "%s"}},  // new name, scene number, that scene's name
    {"edits_unanswered", {"%d"}},            // how many
    {"irc_distance", {"%.2f"}},              // metres
    // channel; RMS before, after; maximum before, after
    {"irc_figures_line", {"%d", "%.1f", "%.1f", "%.1f", "%.1f"}},
};

// Texts that read the same in every language.
const std::set<QString> kNeutralKeys = {"lang_en", "lang_cn", "lang_ru"};
// Texts a Russian reader expects in Latin letters.
const std::set<QString> kLatinInRussian = {"source_bt"};
// Unit symbols a Chinese reader expects in Latin letters.
const std::set<QString> kLatinInChinese = {
    "unit_hz", "unit_khz", "unit_db", "unit_kilo_sym", "unit_ms_sym", "unit_cm_sym", "unit_in_sym"};

struct LanguageFile {
    QString name;
    std::map<QString, QString> texts;
    QStringList problems;  // "file:line: problem"
};

LanguageFile Load(const QString& fileName) {
    LanguageFile file;
    const QString path = QStringLiteral(LANGUAGE_DIR "/") + fileName;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        file.problems << path + ": cannot be opened";
        return file;
    }
    QXmlStreamReader xml(&in);
    auto problem = [&](const QString& what) {
        file.problems << QStringLiteral("%1:%2: %3").arg(fileName).arg(xml.lineNumber()).arg(what);
    };
    if (xml.readNext() != QXmlStreamReader::StartDocument || xml.documentEncoding() != u"UTF-8") {
        problem("no XML declaration with encoding UTF-8");
    }
    if (!xml.readNextStartElement() || xml.name() != u"language") {
        problem("root element is not <language>");
        return file;
    }
    file.name = xml.attributes().value("name").toString();
    while (xml.readNextStartElement()) {
        if (xml.name() != u"text") {
            problem("unexpected element <" + xml.name().toString() + ">");
            xml.skipCurrentElement();
            continue;
        }
        const QString key = xml.attributes().value("key").toString();
        const QString text = xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (key.isEmpty() || key.contains('$') || key.contains('{')) {
            problem("bad key \"" + key + "\"");
        } else if (!file.texts.emplace(key, text).second) {
            problem("key \"" + key + "\" appears twice");
        }
    }
    if (xml.hasError()) {
        problem(xml.errorString());
    }
    return file;
}

// The printf conversions of a text in order ("%%" is a literal); a '%' that starts no valid
// conversion is reported, since formatting such a text would misread its arguments.
QStringList Placeholders(const QString& text, QString* error) {
    static const QRegularExpression conversion(
        QStringLiteral("%(?:%|[-+ #0]*\\d*(?:\\.\\d+)?(?:hh|h|ll|l|z)?[diuxXfFeEgGcs])"));
    QStringList found;
    qsizetype at = 0;
    while ((at = text.indexOf('%', at)) >= 0) {
        const QRegularExpressionMatch match =
            conversion.match(text, at, QRegularExpression::NormalMatch,
                             QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch()) {
            *error = QStringLiteral("stray '%' at %1").arg(at);
            return found;
        }
        if (match.captured() != u"%%") {
            found << match.captured();
        }
        at = match.capturedEnd();
    }
    return found;
}

bool HasCjk(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) {
            return true;
        }
    }
    return false;
}

bool HasCyrillic(const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF) {
            return true;
        }
    }
    return false;
}

class LanguagesTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        sFiles = new std::vector<LanguageFile>{Load("lan_en.xml"), Load("lan_cn.xml"),
                                               Load("lan_ru.xml")};
    }
    static void TearDownTestSuite() {
        delete sFiles;
        sFiles = nullptr;
    }
    static const LanguageFile& En() { return (*sFiles)[0]; }
    static const LanguageFile& Cn() { return (*sFiles)[1]; }
    static const LanguageFile& Ru() { return (*sFiles)[2]; }
    static std::vector<LanguageFile>* sFiles;
};

std::vector<LanguageFile>* LanguagesTest::sFiles = nullptr;

TEST_F(LanguagesTest, EachFileParsesAndNamesItsLanguage) {
    const char* const names[] = {"en", "cn_zh", "ru"};
    for (size_t i = 0; i < 3; ++i) {
        const LanguageFile& file = (*sFiles)[i];
        EXPECT_TRUE(file.problems.isEmpty()) << file.problems.join('\n').toStdString();
        EXPECT_EQ(file.name.toStdString(), names[i]);
        EXPECT_GT(file.texts.size(), 150u);
    }
}

TEST_F(LanguagesTest, AllFilesHaveTheSameKeys) {
    for (const LanguageFile* other : {&Cn(), &Ru()}) {
        for (const auto& [key, text] : En().texts) {
            EXPECT_TRUE(other->texts.count(key))
                << other->name.toStdString() << " lacks " << key.toStdString();
        }
        for (const auto& [key, text] : other->texts) {
            EXPECT_TRUE(En().texts.count(key))
                << other->name.toStdString() << " alone has " << key.toStdString();
        }
    }
}

TEST_F(LanguagesTest, EveryKeyTheProgramUsesIsPresent) {
    for (const LanguageFile& file : *sFiles) {
        for (const QString& key : QString::fromLatin1(kProgramKeys).split(',')) {
            EXPECT_TRUE(file.texts.count(key))
                << file.name.toStdString() << " lacks " << key.toStdString();
        }
    }
}

TEST_F(LanguagesTest, TextsAreNonEmptySingleLineAndTrimmed) {
    for (const LanguageFile& file : *sFiles) {
        for (const auto& [key, text] : file.texts) {
            const std::string where = file.name.toStdString() + " " + key.toStdString();
            EXPECT_FALSE(text.trimmed().isEmpty()) << where;
            EXPECT_EQ(text, text.trimmed()) << where;
            // Line breaks are written as the two characters "\n".
            EXPECT_FALSE(text.contains('\n') || text.contains('\r') || text.contains('\t'))
                << where;
            EXPECT_FALSE(text.contains(QStringLiteral("${"))) << where;
        }
    }
}

// Same conversions in the same order in every language, and none where the code formats nothing
// (a "%d" there would be shown as it stands).
TEST_F(LanguagesTest, FormatKeysCarryTheConversionsTheCodeSupplies) {
    for (const LanguageFile& file : *sFiles) {
        for (const auto& [key, text] : file.texts) {
            const std::string where = file.name.toStdString() + " " + key.toStdString();
            QString error;
            const QStringList found = Placeholders(text, &error);
            EXPECT_TRUE(error.isEmpty()) << where << ": " << error.toStdString();
            const auto format = kFormatKeys.find(key);
            EXPECT_EQ(found, format == kFormatKeys.end() ? QStringList() : format->second) << where;
        }
    }
}

TEST_F(LanguagesTest, EachTextIsWrittenInItsLanguage) {
    for (const auto& [key, en] : En().texts) {
        if (kNeutralKeys.count(key)) {
            continue;
        }
        const std::string k = key.toStdString();
        EXPECT_FALSE(HasCjk(en) || HasCyrillic(en)) << "en " << k;
        const auto cn = Cn().texts.find(key);
        if (cn != Cn().texts.end() && !kLatinInChinese.count(key)) {
            EXPECT_TRUE(HasCjk(cn->second)) << "cn_zh " << k << ": " << cn->second.toStdString();
        }
        const auto ru = Ru().texts.find(key);
        if (ru != Ru().texts.end() && !kLatinInRussian.count(key)) {
            EXPECT_TRUE(HasCyrillic(ru->second)) << "ru " << k << ": " << ru->second.toStdString();
        }
    }
}

}  // namespace
