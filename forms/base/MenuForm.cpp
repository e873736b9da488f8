#include "forms/base/MenuForm.h"

#include "engine/KeyOutput.h"
#include "forms/base/Messageform.h"
#include "shared/Publicunit.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TMenuForm::TMenuForm(const char* objectName, int32_t captionId, int32_t titleId) {
    setObjectName(QLatin1String(objectName));
    setWindowTitle(LangText(captionId));

    Label1 = new QLabel(LangText(titleId), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont title(QStringLiteral("Arial"), 18);
    title.setStyleHint(QFont::SansSerif);
    title.setBold(true);
    Label1->setFont(title);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);

    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(24, 12, 24, 24);
    layout_->setSpacing(10);
    layout_->addWidget(Label1);
    layout_->addSpacing(8);
}

QPushButton* TMenuForm::AddMenuButton(const char* objectName, int32_t textId) {
    auto* button = new QPushButton(LangText(textId), this);
    button->setObjectName(QLatin1String(objectName));
    button->setMinimumSize(280, 34);
    layout_->addWidget(button, 0, Qt::AlignHCenter);
    if (!hasDefault_) SetDefaultButton(button);
    hasDefault_ = true;
    return button;
}

void TMenuForm::FinishMenu() {
    layout_->addStretch(1);
    // Sized for the texts of the language in force.
    resize(QSize(520, 0).expandedTo(sizeHint()) + QSize(0, 16));
}

void TMenuForm::MenuSelect(int32_t item, int32_t targetForm, int32_t busyTextId,
                           void (*extraStep)()) {
    MenuTarget = item;
    Hide();
    setEnabled(false);
    TargetForm = targetForm;
    BusyText = GetLangText(busyTextId);
    ShowBusyBox();
    if (extraStep) extraStep();
    SendKeys(MakeMoveKeys(MenuTarget, MenuCurrent).c_str());
}
