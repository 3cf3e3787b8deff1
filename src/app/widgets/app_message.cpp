// Modal message boxes of the window, with a replaceable interceptor.
#include "app/widgets/app_message.h"

#include <QAbstractButton>
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

namespace {

void Prepare(QMessageBox& box, const QString& caption, const QString& text) {
    box.setWindowTitle(caption);
    // Preset and mode names come from file names and the processor: never markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
}

}  // namespace

MsgAnswer AppMessage(QWidget* parent, const QString& caption, const QString& text, MsgButtons buttons) {
    if (Interceptor()) return Interceptor()(caption, text, buttons);
    QMessageBox box(parent);
    Prepare(box, caption, text);
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
    case MsgButtons::YesNoCancel:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        switch (box.exec()) {
        case QMessageBox::Yes: return MsgAnswer::Yes;
        case QMessageBox::No: return MsgAnswer::No;
        default: return MsgAnswer::Cancel;
        }
    }
    return MsgAnswer::Ok;
}

MsgAnswer AppChoice(QWidget* parent, const QString& caption, const QString& text,
                    const QString& yes, const QString& no) {
    if (Interceptor())
        return Interceptor()(caption, text, MsgButtons::YesNo);
    QMessageBox box(parent);
    Prepare(box, caption, text);
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(yes);
    box.button(QMessageBox::No)->setText(no);
    return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

MsgAnswer AppChoice(QWidget* parent, const QString& caption, const QString& text,
                    const QString& yes, const QString& no, const QString& cancel) {
    if (Interceptor())
        return Interceptor()(caption, text, MsgButtons::YesNoCancel);
    QMessageBox box(parent);
    Prepare(box, caption, text);
    box.setIcon(QMessageBox::Question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.button(QMessageBox::Yes)->setText(yes);
    box.button(QMessageBox::No)->setText(no);
    box.button(QMessageBox::Cancel)->setText(cancel);
    switch (box.exec()) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    default: return MsgAnswer::Cancel;
    }
}

}  // namespace kdsp
