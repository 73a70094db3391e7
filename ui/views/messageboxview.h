#pragma once

#include "ui/views/dialogbase.h"

namespace Ui {
class MessageBoxView;
}

// The program's only message box: a frameless, draggable question or notice. Each static call
// builds a new modal box, runs it and destroys it. Callers pass texts already translated; empty
// strings keep the form's defaults ("Sure", "MessageBoxTitle").
class MessageBoxView : public DialogBase
{
    Q_OBJECT
public:
    explicit MessageBoxView(QWidget *parent = nullptr);
    ~MessageBoxView() override;

    void setMessage(const QString &content, const QString &sureText, const QString &title);

    // True only when the box was accepted with its sure button. parent is not used: the box is
    // modal to the whole application.
    static bool confirm(QWidget *parent, const QString &title, const QString &content,
        const QString &sureText = QString());
    static void information(const QString &content, const QString &sureText = QString(),
        const QString &title = QString());

private:
    static int run(
        const QString &title, const QString &content, const QString &sureText, bool withCancel);

    Ui::MessageBoxView *ui;
};
