// Modal message boxes of the window, with a replaceable interceptor.
#include "app/widgets/app_message.h"

#include <QMessageBox>

#include "app/i18n/language.h"

namespace kdsp {

namespace {
MessageInterceptor& Interceptor() {
    static MessageInterceptor interceptor;
    return interceptor;
}
}  // namespace

MessageInterceptor SetMessageInterceptor(MessageInterceptor interceptor) {
    MessageInterceptor old = std::move(Interceptor());
    Interceptor() = std::move(interceptor);
    return old;
}

QString AppTitle() { return QStringLiteral("Audio Effect Contrller"); }

QString PromptCaption() { return Tr(QT_TRANSLATE_NOOP("kdsp", "提示")); }

MsgAnswer AppMessage(QWidget* parent, const QString& caption, const QString& text, MsgButtons buttons) {
    if (Interceptor()) return Interceptor()(caption, text, buttons);
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return MsgAnswer::Ok;
    case MsgButtons::OkCancel:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        return box.exec() == QMessageBox::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    case MsgButtons::YesNo:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    return MsgAnswer::Ok;
}

}  // namespace kdsp
