// Applying the language texts to the Welcome window, the one window that
// exists before a language is chosen and is re-labelled on every change.
#include "forms/FormRefs.h"
#include "lang/Language.h"
#include "shared/Publicunit.h"

#include <QAbstractButton>
#include <QLabel>

#if __has_include("forms/Welcomeform.h")
#include "forms/Welcomeform.h"
#define TAVIK_HAVE_WELCOME 1
#endif

namespace {

// Controls are found by name, so this does not depend on how the window
// declares them.
void SetControlText(QWidget* window, const char* name, int32_t id) {
    QWidget* w = window->findChild<QWidget*>(QString::fromLatin1(name));
    if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(LangText(id));
    else if (auto* button = qobject_cast<QAbstractButton*>(w))
        button->setText(LangText(id));
}

} // namespace

void ApplyWelcomeTexts() {
#ifdef TAVIK_HAVE_WELCOME
    QWidget* window = frmWelcome.get();
    if (!window) return;
    window->setWindowTitle(LangText(0));
    SetControlText(window, "Label1", 1);
    SetControlText(window, "lblTavik", 2);
    SetControlText(window, "lblVersion", 3);
    SetControlText(window, "Label3", 4);
    SetControlText(window, "btnConnect", 5);
    SetControlText(window, "btnExit", 6);
    SetControlText(window, "Label2", 7);
#endif
}
