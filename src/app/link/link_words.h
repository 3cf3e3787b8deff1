// The window's words for what the link reports: its status in the link label and
// the status dialog, its messages, and the place the search tries.
#pragma once

#include <optional>
#include <string>

#include <QString>

#include "app/i18n/language.h"
#include "core/link/link_interfaces.h"

namespace kdsp {

// The link label's caption for `status`.
QString LinkStatusCaption(LinkStatus status, UiLanguage language);
// The label's hint: the status in the other language; nullopt where the label
// keeps the hint it has.
std::optional<QString> LinkStatusHint(LinkStatus status, UiLanguage language);

struct NoticeWords {
    QString caption;
    QString text;
};
NoticeWords LinkNoticeWords(LinkNotice notice, UiLanguage language);

// The status dialog's port line: the serial port's name, or the network.
QString StatusPlaceText(const std::optional<std::string>& serialPort, UiLanguage language);

}  // namespace kdsp
