// The link's status and messages in the window's words, in each language, and a
// language switch showing the status again.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include "app/i18n/language.h"
#include "app/link/link_window.h"
#include "app/link/link_words.h"
#include "app/panels/status_dialog.h"
#include "app/window/main_window.h"

namespace kdsp {
namespace {

struct Shown {
    QString caption;
    QString hint;
};

// The label as a sequence of statuses leaves it: a status that keeps the hint keeps
// the one before.
Shown Label(std::initializer_list<LinkStatus> statuses, UiLanguage language) {
    Shown shown;
    for (LinkStatus s : statuses) {
        shown.caption = LinkStatusCaption(s, language);
        if (auto hint = LinkStatusHint(s, language)) shown.hint = *hint;
    }
    return shown;
}

TEST(LinkWords, ChineseWhenChineseIsChosenWithTheEnglishAsHint) {
    const Shown failed = Label({LinkStatus::Searching, LinkStatus::Offline}, UiLanguage::Chinese);
    EXPECT_EQ(failed.caption, "设备未连接");
    EXPECT_EQ(failed.hint, "Off Line");
    const NoticeWords notice = LinkNoticeWords(LinkNotice::ConnectFailed, UiLanguage::Chinese);
    EXPECT_EQ(notice.caption, "提示");
    EXPECT_EQ(notice.text, "连接失败!");
    const Shown online = Label({LinkStatus::Online}, UiLanguage::Chinese);
    EXPECT_EQ(online.caption, "设备已连接");
    EXPECT_EQ(online.hint, "Online");
    EXPECT_EQ(StatusPlaceText(std::nullopt, UiLanguage::Chinese), "网络");
}

TEST(LinkWords, EnglishChosenTurnsEveryTextEnglish) {
    QStringList captions;
    for (LinkStatus s : {LinkStatus::Disconnected, LinkStatus::Searching, LinkStatus::Linking, LinkStatus::Online,
                         LinkStatus::Saving, LinkStatus::Recalling, LinkStatus::Uploading, LinkStatus::Verifying,
                         LinkStatus::Reconnecting, LinkStatus::Offline})
        captions.append(LinkStatusCaption(s, UiLanguage::English));
    EXPECT_EQ(captions, (QStringList{"Off Line", "Searching...", "Linking...", "Online", "Saving...", "Loading...",
                                     "Uploading...", "Verifying...", "Reconnecting...", "Off Line"}));
    const NoticeWords saved = LinkNoticeWords(LinkNotice::Saved, UiLanguage::English);
    EXPECT_EQ(saved.caption, "Confirm");
    EXPECT_EQ(saved.text, "Save Success!");
    EXPECT_EQ(LinkNoticeWords(LinkNotice::SaveFailed, UiLanguage::English).text, "Save Failed!");
    EXPECT_EQ(LinkNoticeWords(LinkNotice::Disconnected, UiLanguage::English).text, "Off Line!");
    EXPECT_EQ(StatusPlaceText(std::nullopt, UiLanguage::English), "Network");
    EXPECT_EQ(StatusPlaceText("ttyUSB0", UiLanguage::English), "ttyUSB0");
}

// With no choice made the window speaks as it always did: the statuses of a read in
// English, those the user's own click brings in Chinese, with the hint kept.
TEST(LinkWords, EnglishOtherwiseButTheStatusesOfAClickStayChinese) {
    const Shown read = Label({LinkStatus::Searching, LinkStatus::Linking, LinkStatus::Online}, UiLanguage::Unset);
    EXPECT_EQ(read.caption, "Online");
    EXPECT_EQ(read.hint, "设备已连接");
    EXPECT_EQ(LinkStatusCaption(LinkStatus::Searching, UiLanguage::Unset), "设备搜索...");
    EXPECT_EQ(LinkStatusCaption(LinkStatus::Saving, UiLanguage::Unset), "保存中...");
    EXPECT_EQ(LinkStatusCaption(LinkStatus::Recalling, UiLanguage::Unset), "加载中...");
    EXPECT_EQ(LinkStatusCaption(LinkStatus::Loading, UiLanguage::Unset), "Loading...");
    EXPECT_EQ(LinkStatusCaption(LinkStatus::Disconnected, UiLanguage::Unset), "设备未连接");
    EXPECT_EQ(LinkStatusCaption(LinkStatus::Offline, UiLanguage::Unset), "Off Line");
    const Shown saving = Label({LinkStatus::Online, LinkStatus::Saving}, UiLanguage::Unset);
    EXPECT_EQ(saving.hint, "设备已连接") << "the hint stays";
    EXPECT_EQ(LinkNoticeWords(LinkNotice::ConnectFailed, UiLanguage::Unset).caption, "Confirm");
    EXPECT_EQ(StatusPlaceText(std::nullopt, UiLanguage::Unset), "Network");
}

TEST(LinkWords, ALanguageSwitchShowsTheStatusAgainInTheLabelAndTheDialog) {
    AppOptions options;
    options.host = "127.0.0.1";
    options.port = "9";
    options.serialGiven = true;
    MainWindow form1;
    StatusDialog form2;
    LinkWindow form3(form1, form2, options);
    EXPECT_EQ(form3.LinkCaption(), "设备未连接");
    for (const auto& [language, text] : {std::pair{UiLanguage::English, "Off Line"},
                                         std::pair{UiLanguage::Chinese, "设备未连接"}}) {
        SetUiLanguage(language);
        QCoreApplication::processEvents();
        EXPECT_EQ(form3.LinkCaption(), text);
        EXPECT_EQ(form2.StatusText(), text) << "the dialog shows the status in the new language";
    }
    SetUiLanguage(UiLanguage::Unset);
}

}  // namespace
}  // namespace kdsp
