// One way for the window to tell and ask the user: modal boxes, which tests
// replace with an interceptor so nothing waits for a click offscreen.
#pragma once

#include <functional>

#include <QString>

class QWidget;

namespace kdsp {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

// Shows a modal box (or hands it to the interceptor) and returns the answer. The
// text is plain: a name holding "<b>" is shown as typed.
MsgAnswer AppMessage(QWidget* parent, const QString& caption, const QString& text,
                     MsgButtons buttons = MsgButtons::Ok);

// A Yes/No question whose two buttons say what they do; interceptors see it as
// MsgButtons::YesNo.
MsgAnswer AppChoice(QWidget* parent, const QString& caption, const QString& text,
                    const QString& yes, const QString& no);
// The same with a third way out, `cancel`, which Escape and closing the box take too;
// interceptors see it as MsgButtons::YesNoCancel.
MsgAnswer AppChoice(QWidget* parent, const QString& caption, const QString& text,
                    const QString& yes, const QString& no, const QString& cancel);

// While set, every box goes here instead of the screen. Returns the previous one.
using MessageInterceptor = std::function<MsgAnswer(const QString& caption, const QString& text, MsgButtons)>;
MessageInterceptor SetMessageInterceptor(MessageInterceptor interceptor);

// The caption of plain messages: the window title of the program.
QString AppTitle();
// The caption of questions and refusals ("提示"), in the current language.
QString PromptCaption();

}  // namespace kdsp
