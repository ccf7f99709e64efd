#pragma once

#include <QList>
#include <QString>

class QDialog;
class QWidget;

namespace platform {

// The four kinds of standard box, plus the stop box that reports errors.
enum class MessageKind {
    Warning,      // "Warning", exclamation icon, OK
    Information,  // "Information", information icon, OK
    Confirmation, // "Confirm", question icon, &Yes and &No; Enter = Yes, Esc = No
    Plain,        // the application title, no icon, OK
    Error,        // caption given by the caller, stop icon, OK
};

// Closed: the box's close box was used; a confirmation then answers neither Yes nor No.
enum class MessageAnswer { Ok, Yes, No, Closed };

struct MessageRequest {
    MessageKind kind;
    QString caption;
    QString text;
};

// Shows a modal box centred on the screen and returns the button pressed.
MessageAnswer showMessage(MessageKind kind, const QString &text, QWidget *parent = nullptr);

// Shows the stop box with one OK under the given caption.
MessageAnswer showError(const QString &caption, const QString &text, QWidget *parent = nullptr);

// The caption a box of this kind carries (the error box's caption is the caller's).
QString captionFor(MessageKind kind);

// Builds the dialog a box would run, without running it: for inspecting its parts. The dialog's
// result code is static_cast<int>(MessageAnswer) + 1 for a button, 0 for the close box.
QDialog *createMessageDialog(const MessageRequest &request, QWidget *parent = nullptr);

// Test seam: while an instance lives, boxes are not shown. Each is recorded and answered with
// the next scripted answer, or with its Enter button once the script has run out.
class ScriptedMessageBoxes {
public:
    ScriptedMessageBoxes();
    ~ScriptedMessageBoxes();
    ScriptedMessageBoxes(const ScriptedMessageBoxes &) = delete;
    ScriptedMessageBoxes &operator=(const ScriptedMessageBoxes &) = delete;

    void answerNext(MessageAnswer answer);
    const QList<MessageRequest> &asked() const { return m_asked; }
    void clear();

private:
    friend MessageAnswer showRequest(const MessageRequest &, QWidget *);
    QList<MessageAnswer> m_script;
    QList<MessageRequest> m_asked;
};

} // namespace platform
