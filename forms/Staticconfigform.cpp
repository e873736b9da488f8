#include "forms/Staticconfigform.h"

#include "engine/KeyOutput.h"
#include "forms/Portconfigform.h"
#include "shared/Publicunit.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void PortExtraStep() {
    if (!Saving) ResetPortTable();
    WriteStep = 0;
}

} // namespace

TfrmStaticConfig::TfrmStaticConfig(QWidget* parent) : TForm(parent) {
    setObjectName(QStringLiteral("frmStaticConfig"));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont title(QStringLiteral("Arial"), 18);
    title.setStyleHint(QFont::SansSerif);
    title.setBold(true);
    Label1->setFont(title);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);

    auto makeButton = [this](const char* name) {
        auto* b = new QPushButton(this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(true);
        b->setMinimumSize(280, 34);
        return b;
    };
    btnPortConfig = makeButton("btnPortConfig");
    btnPortConfig->setDefault(true);
    btnTrunkConfig = makeButton("btnTrunkConfig");
    btnVlanConfig = makeButton("btnVlanConfig");
    btnMiscConfig = makeButton("btnMiscConfig");
    btnMainMenu = makeButton("btnMainMenu");
    // Their windows are not part of the program yet.
    btnTrunkConfig->setEnabled(false);
    btnVlanConfig->setEnabled(false);
    btnMiscConfig->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 24);
    layout->setSpacing(10);
    layout->addWidget(Label1);
    layout->addSpacing(8);
    for (QPushButton* b :
         {btnPortConfig, btnTrunkConfig, btnVlanConfig, btnMiscConfig, btnMainMenu})
        layout->addWidget(b, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    // The create handler proper.
    MenuTarget = -1;
    MenuCurrent = 0;
    CurrentForm = FORM_STATIC;
    setWindowTitle(LangText(400));
    Label1->setText(LangText(401));
    btnPortConfig->setText(LangText(402));
    btnTrunkConfig->setText(LangText(403));
    btnVlanConfig->setText(LangText(404));
    btnMiscConfig->setText(LangText(405));
    btnMainMenu->setText(LangText(406));

    // Sized for the texts of the language in force.
    resize(QSize(520, 0).expandedTo(sizeHint()) + QSize(0, 16));

    connect(btnPortConfig, &QPushButton::clicked, this, [this] { btnPortConfigClick(); });
    connect(btnTrunkConfig, &QPushButton::clicked, this, [this] { btnTrunkConfigClick(); });
    connect(btnVlanConfig, &QPushButton::clicked, this, [this] { btnVlanConfigClick(); });
    connect(btnMiscConfig, &QPushButton::clicked, this, [this] { btnMiscConfigClick(); });
    connect(btnMainMenu, &QPushButton::clicked, this, [this] { btnMainMenuClick(); });
}

void TfrmStaticConfig::FormShow() {
    MenuTarget = -1;
    setEnabled(true);
}

void TfrmStaticConfig::FormActivate() {
    CurrentForm = FORM_STATIC;
    Leaving = false;
    Saving = false;
}

void TfrmStaticConfig::MenuSelect(int32_t item, int32_t targetForm, int32_t busyTextId,
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

void TfrmStaticConfig::btnPortConfigClick() {
    MenuSelect(0, FORM_PORT, Saving ? 1268 : 1269, PortExtraStep);
}

// The trunk read starts from empty trunk tables; their reset goes in as
// the extra step when the trunk window joins.
void TfrmStaticConfig::btnTrunkConfigClick() {
    MenuSelect(1, FORM_TRUNK, 1270, nullptr);
}

void TfrmStaticConfig::btnVlanConfigClick() {
    MenuSelect(2, FORM_VLAN, 1271, nullptr);
}

void TfrmStaticConfig::btnMiscConfigClick() {
    MenuSelect(3, FORM_MISC, 1272, nullptr);
}

void TfrmStaticConfig::btnMainMenuClick() {
    Close();
}

void TfrmStaticConfig::FormClose(TCloseAction& action) {
    MenuTarget = 4;
    Leaving = true;
    setEnabled(false);
    // Its own number, so that the main window is shown while CurrentForm
    // is still this window's.
    TargetForm = FORM_STATIC;
    BusyText = GetLangText(1265);
    ShowBusyBox();
    SendKeys(MakeMoveKeys(4, MenuCurrent).c_str());
    action = caFree;
}

bool TfrmStaticConfig::event(QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            btnPortConfig->isEnabled()) {
            btnPortConfig->click();
            return true;
        }
    }
    return TForm::event(e);
}
