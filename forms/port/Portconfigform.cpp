#include "forms/port/Portconfigform.h"

#include "engine/KeyOutput.h"
#include "engine/PageValues.h"
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/base/RowLineup.h"
#include "forms/base/Unapplied.h"
#include "lang/Language.h"
#include "lang/TextIds.h"
#include "platform/Ui.h"
#include "shared/FieldText.h"
#include "shared/Publicunit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QPushButton>

#include <cstring>
#include <string>

namespace {

// Item data of the choice lists: the language text id, so that a list whose
// texts are missing or equal (no language file) still selects by position,
// and the bytes behind the shown text.
constexpr int kIdRole = Qt::UserRole;
constexpr int kBytesRole = Qt::UserRole + 1;

int32_t FillChoices(QComboBox* list, const std::vector<PortChoice>& choices,
                    const char* consoleText) {
    list->clear();
    for (const PortChoice& c : choices) {
        const char* bytes = c.textId != 0 ? GetLangText(c.textId) : c.console;
        list->addItem(c.textId != 0 ? LangText(c.textId) : QString::fromLatin1(c.console));
        list->setItemData(list->count() - 1, c.textId, kIdRole);
        list->setItemData(list->count() - 1, QByteArray(bytes), kBytesRole);
    }
    const int32_t index = ChoiceIndexOf(choices, consoleText);
    list->setCurrentIndex(index);
    return index;
}

// The bytes behind the shown choice, in the language's code page.
std::string ShownChoiceBytes(QComboBox* list) {
    int i = list->currentIndex();
    if (i < 0) return std::string();
    QByteArray b = list->itemData(i, kBytesRole).toByteArray();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

const PageCycle kPortCycle = {
    [](int32_t value, const char* text) {
        return IsFirstPortAgain(text) || PortReadWrapped(value, text);
    },
    FinishPortRead,
    RestartPortRead,
    MarkPortPages,
    WritePortPage,
};

void FinishApply() {
    EndAnsweredSave(FORM_PORT, LangLines(txt::SettingsSaved, txt::BackToPrevious), txt::CaptionPort,
                    [] {
                        TablePage = 0;
                        Saving = false;
                    });
}

} // namespace

int32_t FillAutoChoices(QComboBox* list, const char* autoText) {
    return FillChoices(list, AutoChoices(), autoText);
}

int32_t FillSpeedChoices(const char* type, QComboBox* list, const char* speedText,
                         const char* name) {
    return FillChoices(list, SpeedChoices(type, name), speedText);
}

// ---------------------------------------------------------------------------
// Reading and the Apply driver, run by the router's port entries

void HandlePortRow(int32_t value, const char* text) {
    if (Saving) return;
    BusyText = GetLangText(txt::BusyReadPorts);
    ShowBusyBox();
    TfrmPortConfig* window = frmPortConfig.get();
    if (window && window->TableComplete) return;
    if (EndsPageRead(window, kPortCycle, value, text)) return;
    AddPortCell(value, text);
}

void WritePortPage() {
    if (TablePage > LastPortPage()) return;
    char text[210];
    if (WriteStep != TablePage) {
        // The console came back from the static menu to its first page:
        // pass pages until it is where the write left off.
        KeyText keys(text, sizeof text);
        keys.add(KEY_BACKSPACE);
        keys.add(KEY_ENTER);
        WriteStep += 1;
    } else {
        BuildPortPageKeys(TablePage, text, sizeof text);
        TablePage += 1;
        WriteStep += 1;
    }
    SendKeys(text);
}

void PortArrival() {
    if (CurrentForm == FORM_STATIC)
        if (TForm* menu = WindowOf(FORM_STATIC)) menu->Hide();
    if (!frmPortConfig.exists()) frmPortConfig.set(new TfrmPortConfig);
    if (Leaving) return;
    // A window that has closed itself and waits for the router to drop its
    // reference takes no part any more.
    TfrmPortConfig* window = frmPortConfig.get();
    if (!window) return;
    const char quit[] = {KEY_ENTER, 0};
    if (!Saving && !window->isVisible() && StopReadAtArrival(txt::BusyToStaticMenu, quit)) {
        LastPortIndex = -1;
        return;
    }
    if (Saving && TablePage > LastPortPage() && !IsSendPending()) {
        FinishApply();
        return;
    }
    PagedScreenArrived(window, kPortCycle, window->TableComplete);
}

void PortPrompt() {
    if (Saving && TablePage > LastPortPage()) {
        FinishApply();
    } else {
        const char keys[] = {KEY_ENTER, 0};
        SendKeys(keys);
    }
}

// ---------------------------------------------------------------------------
// The window

TfrmPortConfig::TfrmPortConfig(QWidget* parent) : TPagedScreen(FORM_PORT, parent) {
    Saving = false;
    CreateControls();
    ApplyLanguageLayout();
}

TfrmPortConfig::~TfrmPortConfig() = default;

void TfrmPortConfig::FormShow() {
    for (bool& d : PageDirty)
        d = false;
    CurrentForm = FORM_PORT;
    Leaving = false;
    TablePage = 0;
    btnPrevPage->setEnabled(false);
    btnNextPage->setEnabled(LastPortIndex >= 8);
    PreparePortChoices();
    TakePortCopy();
    ShowPortPage();
    Repaint();
    MarkPortPages();
    FocusFirstControl();
    setEnabled(true);
}

void TfrmPortConfig::ShowPortPage() {
    if (Saving) return;
    for (int r = 0; r < 8; ++r)
        ShowPortRow(r);
}

void TfrmPortConfig::ShowPortRow(int r) {
    if (r < 0 || r > 7) return;
    const int i = TablePage * 8 + r;
    const QString digit = QString::number(r + 1);
    auto* panel = findChild<QFrame*>(QStringLiteral("pnlP0") + digit, Qt::FindDirectChildrenOnly);
    if (!panel) return;
    if (i < 0 || i >= kPortTableSize || !HasPortName(i)) {
        panel->hide();
        return;
    }
    panel->show();
    const bool garbled = PortPageGarbled[TablePage];
    panel->setEnabled(!garbled);
    lblGarbled->setVisible(garbled);
    const PortEntry& e = PortTable[i];
    const bool noRates = !PortTakesRates(e);

    RowControl<QLabel>(panel, 0)->setText(DecodeText(Field(e.name)));
    RowControl<QLabel>(panel, 1)->setText(DecodeText(Field(e.type)));
    QLineEdit* in = RowControl<QLineEdit>(panel, 2);
    QLineEdit* out = RowControl<QLineEdit>(panel, 3);
    in->setVisible(!noRates);
    out->setVisible(!noRates);
    in->setText(QString::number(e.inRate));
    out->setText(QString::number(e.outRate));
    RowControl<QCheckBox>(panel, 4)->setChecked(e.enabled);
    RowControl<QCheckBox>(panel, 7)->setChecked(e.flowFull);
    RowControl<QCheckBox>(panel, 8)->setChecked(e.flowHalf);
    QComboBox* autoList = RowControl<QComboBox>(panel, 5);
    FillAutoChoices(autoList, e.autoText);
    autoList->setCurrentIndex(e.autoIndex < autoList->count() ? e.autoIndex : -1);
    QComboBox* speedList = RowControl<QComboBox>(panel, 6);
    FillSpeedChoices(e.type, speedList, e.speedText, e.name);
    speedList->setCurrentIndex(e.speedIndex < speedList->count() ? e.speedIndex : -1);
}

bool TfrmPortConfig::CollectPortPage() {
    for (QObject* o : children()) {
        auto* panel = qobject_cast<QFrame*>(o);
        if (!panel || !panel->objectName().contains(QLatin1String("pnlP0"))) continue;
        if (panel->isHidden() || !panel->isEnabledTo(this)) return true; // nothing to take
        const int n = panel->objectName().back().digitValue();
        if (n < 1 || n > 8) continue;
        const int i = TablePage * 8 + n - 1;
        if (i < 0 || i >= kPortTableSize) return true;
        PortEntry& e = PortTable[i];
        for (QObject* c : panel->children()) {
            const QString cname = c->objectName();
            if (auto* edit = qobject_cast<QLineEdit*>(c)) {
                const QString field = cname.mid(3, cname.size() - 6);
                const std::string text = edit->text().toStdString();
                int32_t v = 0;
                const bool number = ParseInt(text, v);
                if (number && v >= 0 && v <= 1000) {
                    if (cname.contains(QLatin1String("InRate")))
                        e.inRate = v;
                    else
                        e.outRate = v;
                    continue;
                }
                const QString port = DecodeText(Field(e.name));
                QString message;
                if (!number)
                    message = QStringLiteral("'%1' is not a valid integer value for %2 of %3")
                                  .arg(edit->text(), field, port);
                else if (LanguageId == kLangChineseTraditional)
                    message = port + QStringLiteral(" 的 ") + field +
                              QStringLiteral(" 值是不合法的 ") +
                              QStringLiteral("\n\n ( 值域範圍: 0 - 1000 ) ");
                else
                    message = QStringLiteral("Invalid value of ") + field +
                              QStringLiteral(" for ") + port +
                              QStringLiteral("\n(Value range: 0 - 1000)");
                // Console lines are handled while the box is open, and one of
                // them may drop this window (the router frees it); then there
                // is no box left to reset.
                const QPointer<QLineEdit> still(edit);
                platform::AppMessageBox(message, LangPlain(txt::StaticPort), platform::MB_OK);
                if (still.isNull()) return false;
                edit->setText(QStringLiteral("0"));
                edit->setFocus();
                return false;
            }
            if (auto* box = qobject_cast<QCheckBox*>(c)) {
                if (cname.contains(QLatin1String("Enable")))
                    e.enabled = box->isChecked();
                else if (cname.contains(QLatin1String("Full")))
                    e.flowFull = box->isChecked();
                else if (cname.contains(QLatin1String("Half")))
                    e.flowHalf = box->isChecked();
            } else if (auto* list = qobject_cast<QComboBox*>(c)) {
                if (cname.contains(QLatin1String("Auto"))) {
                    e.autoIndex = list->currentIndex();
                    SetField(e.autoText, ShownChoiceBytes(list));
                } else {
                    e.speedIndex = list->currentIndex();
                    SetField(e.speedText, ShownChoiceBytes(list));
                }
            }
        }
    }
    return true;
}

void TfrmPortConfig::btnPrevPageClick() {
    if (!CollectPortPage()) return;
    MarkPortPages();
    TablePage -= 1;
    for (int r = 0; r < 8; ++r)
        ShowPortRow(r);
    if (TablePage <= 0) {
        btnPrevPage->setEnabled(false);
        TablePage = 0;
    } else {
        btnPrevPage->setEnabled(true);
    }
    btnNextPage->setEnabled(true);
}

void TfrmPortConfig::btnNextPageClick() {
    if (!CollectPortPage()) return;
    MarkPortPages();
    TablePage += 1;
    for (int r = 0; r < 8; ++r)
        ShowPortRow(r);
    if (TablePage < LastPortPage()) {
        btnNextPage->setEnabled(true);
    } else {
        btnNextPage->setEnabled(false);
        TablePage = static_cast<int8_t>(LastPortPage());
    }
    btnPrevPage->setEnabled(true);
}

void TfrmPortConfig::btnSaveClick() {
    if (!CollectPortPage()) return;
    TablePage = 0;
    LastPortIndex = -1;
    StartSave(kPortCycle);
}

void TfrmPortConfig::btnQuitClick() {
    LastPortIndex = -1;
    Close();
}

bool TfrmPortConfig::HasUnappliedChanges() {
    // Pages left earlier were marked when the user turned away from them;
    // the page on show is compared as it stands, without validating it.
    for (bool dirty : PageDirty)
        if (dirty) return true;
    for (int r = 0; r < kPortsPerPage; ++r) {
        const int i = TablePage * kPortsPerPage + r;
        if (!HasPortName(i)) break;
        auto* panel =
            findChild<QFrame*>(QStringLiteral("pnlP0%1").arg(r + 1), Qt::FindDirectChildrenOnly);
        if (panel == nullptr || !panel->isEnabled()) continue;
        const PortEntry& s = SavedPortTable[i];
        if (RowControl<QLineEdit>(panel, 2)->text().trimmed() != QString::number(s.inRate) ||
            RowControl<QLineEdit>(panel, 3)->text().trimmed() != QString::number(s.outRate) ||
            RowControl<QCheckBox>(panel, 4)->isChecked() != s.enabled ||
            RowControl<QComboBox>(panel, 5)->currentIndex() != s.autoIndex ||
            RowControl<QComboBox>(panel, 6)->currentIndex() != s.speedIndex ||
            RowControl<QCheckBox>(panel, 7)->isChecked() != s.flowFull ||
            RowControl<QCheckBox>(panel, 8)->isChecked() != s.flowHalf)
            return true;
    }
    return false;
}

void TfrmPortConfig::FormClose(TCloseAction& action) {
    if (!MayLeave(HasUnappliedChanges())) {
        action = caNone;
        return;
    }
    CurrentForm = TargetForm;
    // Every way out counts as Exit: the next read starts its count afresh.
    LastPortIndex = -1;
    const char keys[] = {KEY_ENTER, 0};
    Leave(action, txt::BusyToStaticMenu, keys);
}
