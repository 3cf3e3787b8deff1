// The link's status and messages in the window's words. The window has always
// shown these in Chinese when Chinese is chosen and in English otherwise, with the
// other language as the label's hint; with no language chosen, the statuses the
// user's own click brings (searching, recall, save, disconnect) stay Chinese and
// leave the hint alone. That is kept, so the label reads as it always did.
#include "app/link/link_words.h"

namespace kdsp {

namespace {

struct StatusSource {
    const char* chinese;
    bool chineseUntilEnglish;  // shown in Chinese unless English is chosen; the hint stays
};

StatusSource SourceOf(LinkStatus status) {
    switch (status) {
    case LinkStatus::Disconnected: return {QT_TRANSLATE_NOOP("kdsp", "设备未连接"), true};
    case LinkStatus::Searching: return {QT_TRANSLATE_NOOP("kdsp", "设备搜索..."), true};
    case LinkStatus::Linking: return {QT_TRANSLATE_NOOP("kdsp", "连接中..."), false};
    case LinkStatus::Online: return {QT_TRANSLATE_NOOP("kdsp", "设备已连接"), false};
    case LinkStatus::Recalling: return {QT_TRANSLATE_NOOP("kdsp", "加载中..."), true};
    case LinkStatus::Loading: return {QT_TRANSLATE_NOOP("kdsp", "加载中..."), false};
    case LinkStatus::Saving: return {QT_TRANSLATE_NOOP("kdsp", "保存中..."), true};
    case LinkStatus::Uploading: return {QT_TRANSLATE_NOOP("kdsp", "下载数据..."), false};
    case LinkStatus::Verifying: return {QT_TRANSLATE_NOOP("kdsp", "校验中..."), false};
    case LinkStatus::Reconnecting: return {QT_TRANSLATE_NOOP("kdsp", "重新连接中..."), false};
    case LinkStatus::Offline: break;
    }
    return {QT_TRANSLATE_NOOP("kdsp", "设备未连接"), false};
}

const char* SourceOf(LinkNotice notice) {
    switch (notice) {
    case LinkNotice::Saved: return QT_TRANSLATE_NOOP("kdsp", "保存成功!");
    case LinkNotice::SaveFailed: return QT_TRANSLATE_NOOP("kdsp", "保存失败!");
    case LinkNotice::Disconnected: return QT_TRANSLATE_NOOP("kdsp", "已断开连接!");
    case LinkNotice::ConnectFailed: break;
    }
    return QT_TRANSLATE_NOOP("kdsp", "连接失败!");
}

// Chinese only when Chinese is chosen: the link's texts were English by default.
QString InLanguage(const char* chinese, UiLanguage language) {
    return language == UiLanguage::Chinese ? QString::fromUtf8(chinese) : English(chinese);
}

}  // namespace

QString LinkStatusCaption(LinkStatus status, UiLanguage language) {
    const StatusSource source = SourceOf(status);
    if (source.chineseUntilEnglish)
        return language == UiLanguage::English ? English(source.chinese) : QString::fromUtf8(source.chinese);
    return InLanguage(source.chinese, language);
}

std::optional<QString> LinkStatusHint(LinkStatus status, UiLanguage language) {
    const StatusSource source = SourceOf(status);
    if (source.chineseUntilEnglish) return std::nullopt;
    return language == UiLanguage::Chinese ? English(source.chinese) : QString::fromUtf8(source.chinese);
}

NoticeWords LinkNoticeWords(LinkNotice notice, UiLanguage language) {
    return {InLanguage(QT_TRANSLATE_NOOP("kdsp", "提示"), language), InLanguage(SourceOf(notice), language)};
}

QString StatusPlaceText(const std::optional<std::string>& serialPort, UiLanguage language) {
    if (serialPort) return QString::fromStdString(*serialPort);
    return InLanguage(QT_TRANSLATE_NOOP("kdsp", "网络"), language);
}

}  // namespace kdsp
