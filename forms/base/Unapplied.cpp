#include "forms/base/Unapplied.h"

#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/Publicunit.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

bool ConfirmDiscardChanges(QWidget* window) {
    return platform::AppMessageBox(LangText(txt::AskDiscardChanges).trimmed(),
                                   window->windowTitle(), platform::MB_YESNO) == platform::IDYES;
}

QString ControlState(const QWidget* window) {
    QString state;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        QString value;
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            value = edit->text();
        else if (auto* box = qobject_cast<QComboBox*>(w))
            value = QString::number(box->currentIndex());
        else if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->isCheckable())
            value = button->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
        else
            continue;
        state += w->objectName() + QLatin1Char('=') + value + QLatin1Char('\n');
    }
    return state;
}
