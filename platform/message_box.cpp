#include "platform/message_box.h"

#include "platform/accessible_role.h"
#include "platform/app_title.h"

#include <QAccessible>

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace platform {

namespace {

ScriptedMessageBoxes *g_script = nullptr;

constexpr int resultFor(MessageAnswer answer) {
    return static_cast<int>(answer) + 1;
}

// A box whose Esc presses a chosen button (QDialog would reject, which is the close box's answer).
// A screen reader meets it as an alert and is told when it opens, so it reads it out at once.
class MessageDialog : public QDialog {
public:
    using QDialog::QDialog;
    QPushButton *escapeButton = nullptr;

protected:
    void showEvent(QShowEvent *event) override {
        QDialog::showEvent(event);
        QAccessibleEvent alert(this, QAccessible::Alert);
        QAccessible::updateAccessibility(&alert);
    }
    void keyPressEvent(QKeyEvent *event) override {
        if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && escapeButton) {
            escapeButton->click();
            return;
        }
        QDialog::keyPressEvent(event);
    }
};

QStyle::StandardPixmap iconFor(MessageKind kind) {
    switch (kind) {
    case MessageKind::Warning:
        return QStyle::SP_MessageBoxWarning;
    case MessageKind::Information:
        return QStyle::SP_MessageBoxInformation;
    case MessageKind::Confirmation:
        return QStyle::SP_MessageBoxQuestion;
    case MessageKind::Error:
        return QStyle::SP_MessageBoxCritical;
    case MessageKind::Plain:
        break;
    }
    return QStyle::SP_CustomBase;
}

MessageAnswer defaultAnswer(MessageKind kind) {
    return kind == MessageKind::Confirmation ? MessageAnswer::Yes : MessageAnswer::Ok;
}

} // namespace

QString captionFor(MessageKind kind) {
    switch (kind) {
    case MessageKind::Warning:
        return QStringLiteral("Warning");
    case MessageKind::Information:
        return QStringLiteral("Information");
    case MessageKind::Confirmation:
        return QStringLiteral("Confirm");
    case MessageKind::Plain:
        return applicationTitle();
    case MessageKind::Error:
        break;
    }
    return QString();
}

QDialog *createMessageDialog(const MessageRequest &request, QWidget *parent) {
    auto *dialog =
        new MessageDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                      Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog->setObjectName(QStringLiteral("messageBox"));
    dialog->setWindowTitle(request.caption);
    dialog->setModal(true);
    platform::setAccessibleRole(dialog, QAccessible::AlertMessage);
    dialog->setAccessibleName(request.caption);
    dialog->setAccessibleDescription(request.text);

    auto *body = new QHBoxLayout;
    body->setSpacing(16);
    const QStyle::StandardPixmap icon = iconFor(request.kind);
    if (icon != QStyle::SP_CustomBase) {
        auto *iconLabel = new QLabel(dialog);
        iconLabel->setObjectName(QStringLiteral("icon"));
        const int size = dialog->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, dialog);
        iconLabel->setPixmap(dialog->style()->standardIcon(icon, nullptr, dialog).pixmap(size, size));
        iconLabel->setAlignment(Qt::AlignTop);
        body->addWidget(iconLabel);
    }
    auto *text = new QLabel(request.text, dialog);
    text->setObjectName(QStringLiteral("text"));
    text->setTextFormat(Qt::PlainText);
    text->setTextInteractionFlags(Qt::NoTextInteraction);
    body->addWidget(text, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto addButton = [&](const QString &caption, const QString &name, MessageAnswer answer) {
        auto *button = new QPushButton(caption, dialog);
        button->setObjectName(name);
        QObject::connect(button, &QPushButton::clicked, dialog,
                         [dialog, answer] { dialog->done(resultFor(answer)); });
        buttons->addWidget(button);
        return button;
    };
    if (request.kind == MessageKind::Confirmation) {
        QPushButton *yes = addButton(QStringLiteral("&Yes"), QStringLiteral("yesButton"), MessageAnswer::Yes);
        dialog->escapeButton =
            addButton(QStringLiteral("&No"), QStringLiteral("noButton"), MessageAnswer::No);
        yes->setDefault(true);
        yes->setFocus();
    } else {
        QPushButton *ok = addButton(QStringLiteral("OK"), QStringLiteral("okButton"), MessageAnswer::Ok);
        ok->setDefault(true);
        ok->setFocus();
        dialog->escapeButton = ok;
    }
    buttons->addStretch();

    auto *layout = new QVBoxLayout(dialog);
    layout->addLayout(body);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    dialog->adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = dialog->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        dialog->move(frame.topLeft());
    }
    return dialog;
}

MessageAnswer showRequest(const MessageRequest &request, QWidget *parent) {
    if (g_script) {
        g_script->m_asked.append(request);
        if (g_script->m_script.isEmpty())
            return defaultAnswer(request.kind);
        return g_script->m_script.takeFirst();
    }
    if (!parent)
        parent = QApplication::activeWindow();
    QDialog *dialog = createMessageDialog(request, parent);
    const int result = dialog->exec();
    delete dialog;
    if (result == QDialog::Rejected)
        return request.kind == MessageKind::Confirmation ? MessageAnswer::Closed : MessageAnswer::Ok;
    return static_cast<MessageAnswer>(result - 1);
}

MessageAnswer showMessage(MessageKind kind, const QString &text, QWidget *parent) {
    return showRequest({kind, captionFor(kind), text}, parent);
}

MessageAnswer showError(const QString &caption, const QString &text, QWidget *parent) {
    return showRequest({MessageKind::Error, caption, text}, parent);
}

ScriptedMessageBoxes::ScriptedMessageBoxes() {
    Q_ASSERT(!g_script);
    g_script = this;
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() {
    g_script = nullptr;
}

void ScriptedMessageBoxes::answerNext(MessageAnswer answer) {
    m_script.append(answer);
}

void ScriptedMessageBoxes::clear() {
    m_script.clear();
    m_asked.clear();
}

} // namespace platform
