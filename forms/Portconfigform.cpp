#include "forms/Portconfigform.h"

#include "engine/KeyOutput.h"
#include "forms/FormRefs.h"
#include "forms/Staticconfigform.h"
#include "lang/Language.h"
#include "platform/Ui.h"
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

#include <cstdio>
#include <cstring>
#include <string>

PortEntry PortTable[kPortTableSize];
PortEntry SavedPortTable[kPortTableSize];

namespace {

// Language texts of the choice lists.
constexpr int32_t kSpeedIds[6] = {303, 304, 305, 306, 307, 308};
constexpr int32_t kAutoIds[3] = {309, 310, 311};
// The console's own texts that select a choice, in list order.
const char* const kSpeedConsole[6] = {"  10 Half", "  10 Full", " 100 Half",
                                      " 100 Full", "1000 Half", "1000 Full"};
const char* const kAutoConsole[3] = {"   FORCE  ", "   AUTO   ", "NWAY_FORCE"};
const char* const kNcChoice = "   NC    ";

// Item data of the choice lists: the language text id, so that a list whose
// texts are missing or equal (no language file) still selects by position.
constexpr int kIdRole = Qt::UserRole;
constexpr int kBytesRole = Qt::UserRole + 1;

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

std::string Trim(const char* s, size_t max) {
    size_t n = strnlen(s, max);
    size_t b = 0;
    while (b < n && IsBlank(s[b]))
        ++b;
    while (n > b && IsBlank(s[n - 1]))
        --n;
    return std::string(s + b, n - b);
}

std::string Trim(const std::string& s) {
    return Trim(s.c_str(), s.size());
}

template <size_t N> std::string Field(const char (&f)[N]) {
    return std::string(f, strnlen(f, N));
}

bool DoubleByteLanguage() {
    return LanguageId == 0x404 || LanguageId == 0x804;
}

// Copies at most N - 1 bytes and terminates. Under the Chinese code pages a
// lead byte is never separated from its trail byte, so a cut text still
// decodes cleanly.
template <size_t N> void SetField(char (&dst)[N], const std::string& src) {
    size_t len = 0;
    const size_t max = N - 1;
    if (DoubleByteLanguage()) {
        while (len < src.size()) {
            size_t step =
                (static_cast<unsigned char>(src[len]) >= 0x81 && len + 1 < src.size()) ? 2 : 1;
            if (len + step > max) break;
            len += step;
        }
    } else {
        len = src.size() < max ? src.size() : max;
    }
    memcpy(dst, src.data(), len);
    dst[len] = 0;
}

// A decimal integer with an optional sign and nothing else (blanks around it
// are allowed). False for anything else, including values beyond 32 bits.
bool ParseInt(const std::string& text, int32_t& out) {
    std::string t = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    if (i >= t.size()) return false;
    int64_t v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        v = v * 10 + (t[i] - '0');
        if (v > 2147483648LL) return false;
    }
    if (negative) v = -v;
    if (v > INT32_MAX || v < INT32_MIN) return false;
    out = static_cast<int32_t>(v);
    return true;
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

size_t FindNoCase(const std::string& s, const char* what) {
    const size_t n = strlen(what);
    if (n == 0 || s.size() < n) return std::string::npos;
    for (size_t i = 0; i + n <= s.size(); ++i) {
        size_t k = 0;
        while (k < n && Upper(s[i + k]) == Upper(what[k]))
            ++k;
        if (k == n) return i;
    }
    return std::string::npos;
}

std::string ReplaceFirstNoCase(std::string s, const char* what, const char* with) {
    size_t at = FindNoCase(s, what);
    if (at != std::string::npos) s.replace(at, strlen(what), with);
    return s;
}

bool SameText(const char* a, const char* b) {
    return strcmp(a, b) == 0;
}

void AddChoice(QComboBox* list, int32_t id) {
    const char* bytes = GetLangText(id);
    list->addItem(LangText(id));
    list->setItemData(list->count() - 1, id, kIdRole);
    list->setItemData(list->count() - 1, QByteArray(bytes), kBytesRole);
}

int32_t SelectChoice(QComboBox* list, int32_t id) {
    int32_t index = id == 0 ? -1 : list->findData(id, kIdRole);
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

// Appends to a fixed buffer and never past it.
class KeyText {
public:
    KeyText(char* out, int size) : out_(out), size_(size) {
        if (size_ > 0) out_[0] = 0;
    }
    void add(char c) {
        if (len_ + 1 < size_) {
            out_[len_++] = c;
            out_[len_] = 0;
        }
    }
    void add(const char* s) {
        while (*s)
            add(*s++);
    }
    void repeat(char c, int n) {
        for (int i = 0; i < n; ++i)
            add(c);
    }
    int length() const { return len_; }

private:
    char* out_;
    int size_;
    int len_ = 0;
};

// Forward distance in a list of `count` choices: the console only cycles
// forward, so a step back goes round.
int ForwardSpaces(int32_t now, int32_t before, int32_t count) {
    int64_t d = static_cast<int64_t>(now) - before;
    if (count <= 0) return d > 0 && d < 16 ? static_cast<int>(d) : 0;
    return static_cast<int>(((d % count) + count) % count);
}

bool HasName(int i) {
    return i >= 0 && i < kPortTableSize && !Trim(PortTable[i].name, 10).empty();
}

void FinishApply() {
    CloseBusyBox();
    std::string text = std::string(GetLangText(1301)) + "\n" + GetLangText(1302);
    platform::AppMessageBox(DecodeText(text), LangText(1211), platform::MB_OK);
    TablePage = 0;
    Saving = false;
    if (TfrmPortConfig* w = frmPortConfig.get()) w->Close();
}

const char* const kRowNames[9] = {"lblNameP0",    "lblTypeP0",   "edtInRateP0",
                                  "edtOutRateP0", "chkEnableP0", "cboAutoP0",
                                  "cboSpdP0",     "chkFullP0",   "chkHalfP0"};

} // namespace

int LastPortPage() {
    return (PortCount - 1) / 8;
}

void ModuleTrunkName(char* out, int outSize) {
    if (outSize > 0) snprintf(out, static_cast<size_t>(outSize), "TRUNK%d", ModuleTrunk + 1);
}

void ResetPortTable() {
    Saving = false;
    PortCount = 0;
    for (PortEntry& e : PortTable) {
        e.name[0] = 0;
        e.type[0] = 0;
        e.autoCount = 0;
        e.speedCount = 0;
    }
}

void HandlePortRow(int32_t value, const char* text) {
    if (Saving) return;
    BusyText = GetLangText(1267);
    ShowBusyBox();
    const std::string raw = text ? std::string(text, strnlen(text, 256)) : std::string();
    const std::string t = Trim(raw);
    TfrmPortConfig* window = frmPortConfig.get();
    if (window && window->AllRead) return;

    // Has the read come round to the first page again? The console shows the
    // abbreviated names, the table holds them expanded.
    std::string first = Field(PortTable[0].name);
    if (t.find("MOD") != std::string::npos)
        first = ReplaceFirstNoCase(first, "MODULE", "MOD_");
    else if (t.find("TRK") != std::string::npos)
        first = ReplaceFirstNoCase(first, "TRUNK", "TRK");
    if (window && !first.empty() && t == first) {
        window->AllRead = true;
        return;
    }

    if (value < 0) return;
    const int r = (value / 100) % 40 - 1;
    const int f = value % 10;
    if (r < 0 || r > 7) return;
    const int i = ((PortCount - 1) / 8) * 8 + r;

    if (f == 1) {
        if (t.empty() || PortCount >= kPortTableSize) return;
        std::string name = t;
        if (FindNoCase(name, "TRK") != std::string::npos)
            name = ReplaceFirstNoCase(name, "TRK", "TRUNK");
        if (FindNoCase(name, "MOD_") != std::string::npos)
            name = ReplaceFirstNoCase(name, "MOD_", "MODULE");
        SetField(PortTable[PortCount].name, name);
        LastPortIndex += 1;
        PortCount += 1;
        return;
    }
    if (i < 0 || i >= kPortTableSize) return;
    PortEntry& e = PortTable[i];
    int32_t v = 0;
    switch (f) {
    case 2:
        SetField(e.type, raw);
        break;
    case 3:
        e.inRate = ParseInt(raw, v) ? v : 0;
        break;
    case 4:
        e.outRate = ParseInt(raw, v) ? v : 0;
        break;
    case 5:
        e.enabled = raw == "Yes" || raw == "YES";
        break;
    case 6:
        SetField(e.autoText, raw);
        break;
    case 7:
        SetField(e.speedText, raw);
        break;
    case 8:
        e.flowFull = raw == " On" || raw == " ON";
        break;
    case 9:
        e.flowHalf = raw == " On" || raw == " ON";
        break;
    default:
        break;
    }
}

int32_t FillAutoChoices(QComboBox* list, const char* autoText) {
    list->clear();
    for (int32_t id : kAutoIds)
        AddChoice(list, id);
    int32_t want = 0;
    for (int k = 0; k < 3; ++k)
        if (autoText && SameText(autoText, kAutoConsole[k])) want = kAutoIds[k];
    return SelectChoice(list, want);
}

int32_t FillSpeedChoices(const char* type, QComboBox* list, const char* speedText,
                         const char* name) {
    std::string T = type ? std::string(type, strnlen(type, 256)) : std::string();
    for (char& c : T)
        c = Upper(c);
    list->clear();
    char trunk[16];
    ModuleTrunkName(trunk, sizeof trunk);
    const bool moduleTrunk = name && SameText(name, trunk);
    auto has = [&T](const char* s) { return T.find(s) != std::string::npos; };
    if (has("NC")) {
        list->addItem(QString::fromLatin1(kNcChoice));
        list->setItemData(0, QByteArray(kNcChoice), kBytesRole);
    } else if (has("100TX")) {
        for (int k = 0; k < 4; ++k)
            AddChoice(list, kSpeedIds[k]);
    } else if (has("1000TX") || moduleTrunk) {
        for (int32_t id : kSpeedIds)
            AddChoice(list, id);
    } else if (has("100FX")) {
        AddChoice(list, 305);
    } else if (has("1000FX")) {
        AddChoice(list, 308);
    } else if (Trim(T).empty()) {
        for (int k = 0; k < 4; ++k)
            AddChoice(list, kSpeedIds[k]);
    }
    int32_t want = 0;
    for (int k = 0; k < 6; ++k)
        if (speedText && SameText(speedText, kSpeedConsole[k])) want = kSpeedIds[k];
    return SelectChoice(list, want);
}

void PreparePortChoices() {
    QComboBox scratch;
    scratch.hide();
    for (int i = 0; i < kPortTableSize && HasName(i); ++i) {
        PortEntry& e = PortTable[i];
        e.autoIndex = FillAutoChoices(&scratch, e.autoText);
        e.autoCount = scratch.count();
        e.speedIndex = FillSpeedChoices(e.type, &scratch, e.speedText, e.name);
        e.speedCount = scratch.count();
    }
}

void TakePortCopy() {
    for (int i = 0; i < kPortTableSize; ++i) {
        if (HasName(i))
            SavedPortTable[i] = PortTable[i];
        else
            SavedPortTable[i].name[0] = 0;
    }
}

void MarkPortPages() {
    for (int i = 0; i < kPortTableSize && HasName(i); ++i) {
        const PortEntry& e = PortTable[i];
        const PortEntry& s = SavedPortTable[i];
        if (e.inRate != s.inRate || e.outRate != s.outRate || e.enabled != s.enabled ||
            e.autoIndex != s.autoIndex || e.speedIndex != s.speedIndex ||
            e.flowFull != s.flowFull || e.flowHalf != s.flowHalf)
            PageDirty[i / 8] = true;
    }
}

int BuildPortPageKeys(int page, char* out, int outSize) {
    KeyText keys(out, outSize);
    const bool dirty = page >= 0 && page < 4 && PageDirty[page];
    if (!dirty) {
        if (page >= LastPortPage())
            keys.add(KEY_ENTER);
        else {
            keys.add(KEY_BACKSPACE);
            keys.add(KEY_ENTER);
        }
        return keys.length();
    }
    keys.add(KEY_TAB);
    keys.add(KEY_ENTER);
    for (int j = 0; j < 8; ++j) {
        const int i = page * 8 + j;
        if (!HasName(i)) break;
        const PortEntry& e = PortTable[i];
        const PortEntry& s = SavedPortTable[i];
        char number[16];
        snprintf(number, sizeof number, "%d", e.inRate);
        keys.add(number);
        keys.add(KEY_TAB);
        snprintf(number, sizeof number, "%d", e.outRate);
        keys.add(number);
        keys.add(KEY_TAB);
        if (e.enabled != s.enabled) keys.add(KEY_SPACE);
        keys.add(KEY_TAB);
        keys.repeat(KEY_SPACE, ForwardSpaces(e.autoIndex, s.autoIndex, e.autoCount));
        keys.add(KEY_TAB);
        keys.repeat(KEY_SPACE, ForwardSpaces(e.speedIndex, s.speedIndex, e.speedCount));
        keys.add(KEY_TAB);
        if (e.flowFull != s.flowFull) keys.add(KEY_SPACE);
        keys.add(KEY_TAB);
        if (e.flowHalf != s.flowHalf) keys.add(KEY_SPACE);
        keys.add(KEY_TAB);
    }
    keys.add(KEY_CTRL_A);
    keys.add(KEY_TAB);
    keys.add(KEY_ENTER);
    return keys.length();
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
        if (TfrmStaticConfig* s = frmStaticConfig.get()) s->Hide();
    if (!frmPortConfig.exists()) frmPortConfig.set(new TfrmPortConfig);
    if (Leaving) return;
    // A window that has closed itself and waits for the router to drop its
    // reference takes no part any more.
    TfrmPortConfig* window = frmPortConfig.get();
    if (!window) return;
    if (Saving) {
        if (TablePage > LastPortPage() && !IsSendPending()) FinishApply();
        if (Saving && !IsSendPending()) WritePortPage();
        return;
    }
    if (window->AllRead) {
        window->Show();
        window->setEnabled(true);
        CloseBusyBox();
    } else if (!IsSendPending()) {
        const char keys[] = {KEY_BACKSPACE, KEY_ENTER, 0};
        SendKeys(keys);
    }
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

namespace {

// Geometry of the table, in window coordinates. Row panels span the table;
// the row controls sit at these offsets inside their panel.
constexpr int kTableLeft = 20;
constexpr int kTableTop = 110;
constexpr int kRowHeight = 30;
constexpr int kTableWidth = 724;
constexpr int kColName = 8, kColType = 86, kColIn = 160, kColOut = 228, kColEnable = 312;
constexpr int kColAuto = 362, kColSpeed = 490, kColFull = 630, kColHalf = 680;
constexpr int kNotesTop = 398;
constexpr int kNoteLine = 18;

QFont UiFont(int pointSize, bool bold = false) {
    QFont f(QStringLiteral("Arial"), pointSize, bold ? QFont::Bold : QFont::Normal);
    f.setStyleHint(QFont::SansSerif);
    return f;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    l->setAlignment(align);
    l->setFont(UiFont(9));
    return l;
}

// Control k (kRowNames) of a row panel; panels always hold all nine.
template <class T> T* RowControl(QWidget* panel, int k) {
    const QString digit = panel->objectName().right(1);
    return panel->findChild<T*>(QString::fromLatin1(kRowNames[k]) + digit,
                                Qt::FindDirectChildrenOnly);
}

} // namespace

TfrmPortConfig::TfrmPortConfig(QWidget* parent) : TForm(parent) {
    Saving = false;
    CreateControls();
    ApplyLanguageLayout();
}

TfrmPortConfig::~TfrmPortConfig() = default;

QLabel* TfrmPortConfig::label(int n) const {
    return findChild<QLabel*>(QStringLiteral("Label%1").arg(n), Qt::FindDirectChildrenOnly);
}

void TfrmPortConfig::CreateControls() {
    setFixedSize(764, 536);
    setFont(UiFont(9));
    const Qt::Alignment center = Qt::AlignHCenter | Qt::AlignTop;

    QLabel* title = MakeLabel(this, "Label1", QStringLiteral("Port Configuration"),
                              QRect(0, 12, 764, 32), Qt::AlignCenter);
    title->setFont(UiFont(14, true));

    const int x = kTableLeft;
    MakeLabel(this, "Label2", QStringLiteral("Port"), QRect(x + kColName, 70, 74, 32));
    MakeLabel(this, "Label3", QStringLiteral("Type"), QRect(x + kColType, 70, 70, 32));
    MakeLabel(this, "Label4", QStringLiteral("InRate (100K)"), QRect(x + kColIn - 8, 56, 70, 46),
              center)
        ->setWordWrap(true);
    MakeLabel(this, "Label5", QStringLiteral("OutRate (100K)"), QRect(x + kColOut - 8, 56, 72, 46),
              center)
        ->setWordWrap(true);
    MakeLabel(this, "Label6", QStringLiteral("Port Enable"), QRect(x + kColEnable - 24, 56, 66, 46),
              center)
        ->setWordWrap(true);
    MakeLabel(this, "Label7", QStringLiteral("Auto Nego."), QRect(x + kColAuto, 70, 118, 32),
              center);
    MakeLabel(this, "Label8", QStringLiteral("Spd / Dpx"), QRect(x + kColSpeed, 70, 118, 32),
              center);
    MakeLabel(this, "Label9", QStringLiteral("Flow Control"), QRect(x + kColFull - 16, 52, 100, 22),
              center);
    MakeLabel(this, "Label10", QStringLiteral("Full"), QRect(x + kColFull - 12, 76, 40, 22),
              center);
    MakeLabel(this, "Label11", QStringLiteral("Half"), QRect(x + kColHalf - 12, 76, 40, 22),
              center);

    // Row panels and their controls, in the order CollectPortPage walks them.
    for (int r = 0; r < 8; ++r) {
        const QString digit = QString::number(r + 1);
        auto* panel = new QFrame(this);
        panel->setObjectName(QStringLiteral("pnlP0") + digit);
        panel->setFrameShape(QFrame::NoFrame);
        panel->setGeometry(kTableLeft, kTableTop + r * kRowHeight, kTableWidth, kRowHeight);
        if (r % 2 == 1) {
            panel->setAutoFillBackground(true);
            QPalette p = panel->palette();
            p.setColor(QPalette::Window, p.color(QPalette::Window).darker(106));
            panel->setPalette(p);
        }
        auto name = [&digit](int k) { return QString::fromLatin1(kRowNames[k]) + digit; };

        auto* lblName = new QLabel(panel);
        lblName->setObjectName(name(0));
        lblName->setGeometry(kColName, 3, 74, 24);
        lblName->setFont(UiFont(9, true));
        auto* lblType = new QLabel(panel);
        lblType->setObjectName(name(1));
        lblType->setGeometry(kColType, 3, 70, 24);
        for (int k = 2; k <= 3; ++k) {
            auto* edit = new QLineEdit(panel);
            edit->setObjectName(name(k));
            edit->setMaxLength(4);
            edit->setAlignment(Qt::AlignRight);
            edit->setGeometry(k == 2 ? kColIn : kColOut, 3, 52, 24);
        }
        auto* enable = new QCheckBox(panel);
        enable->setObjectName(name(4));
        enable->setGeometry(kColEnable, 3, 22, 24);
        for (int k = 5; k <= 6; ++k) {
            auto* list = new QComboBox(panel);
            list->setObjectName(name(k));
            list->setEditable(false);
            list->setGeometry(k == 5 ? kColAuto : kColSpeed, 3, 118, 24);
        }
        for (int k = 7; k <= 8; ++k) {
            auto* box = new QCheckBox(panel);
            box->setObjectName(name(k));
            box->setGeometry(k == 7 ? kColFull : kColHalf, 3, 22, 24);
        }
    }

    // Buttons: paging under the table on the left, Apply and Exit on the right.
    const int by = kTableTop + 8 * kRowHeight + 10;
    auto button = [this, by](const char* name, const QString& text, int left, int width) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(left, by, width, 30);
        return b;
    };
    btnPrevPage = button("btnPrevPage", QStringLiteral("Previous Page"), kTableLeft, 120);
    btnNextPage = button("btnNextPage", QStringLiteral("Next Page"), kTableLeft + 128, 120);
    btnSave = button("btnSave", QStringLiteral("Apply"), 764 - 20 - 212, 100);
    btnQuit = button("btnQuit", QStringLiteral("Exit"), 764 - 20 - 100, 100);
    connect(btnPrevPage, &QPushButton::clicked, this, [this] { btnPrevPageClick(); });
    connect(btnNextPage, &QPushButton::clicked, this, [this] { btnNextPageClick(); });
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
    connect(btnQuit, &QPushButton::clicked, this, [this] { btnQuitClick(); });

    // Notes, in red: the heading on the left, the numbered notes beside it.
    const int w = 764 - 90 - 10;
    const int y = kNotesTop;
    MakeLabel(this, "Label12",
              QStringLiteral(
                  "1. \"Apply\" button will save the current settings for all available ports"),
              QRect(90, y, w, kNoteLine));
    MakeLabel(this, "Label13", QStringLiteral("NOTES:"), QRect(28, y, 60, kNoteLine));
    MakeLabel(
        this, "Label14",
        QStringLiteral("2. Port 1 -- 24 can do rate control (InRate && OutRate fields); Valid "
                       "rate range: 0 -- 1000"),
        QRect(90, y + kNoteLine, w, kNoteLine));
    MakeLabel(
        this, "Label15",
        QStringLiteral("    ** Values for rate control:  0 (default) to disable rate control "),
        QRect(90, y + 2 * kNoteLine, w, kNoteLine));
    MakeLabel(this, "Label16",
              QStringLiteral("1 -- 1000 to set vaild control rate (100Kbps/unit) "),
              QRect(260, y + 3 * kNoteLine, 764 - 260 - 10, kNoteLine));
    MakeLabel(this, "Label17",
              QStringLiteral("4. Module  port /module trunk  can not do rate control."),
              QRect(90, y + 5 * kNoteLine, w, kNoteLine));
    MakeLabel(
        this, "Label18",
        QStringLiteral("3. Type \"NC\" means this port can not configure speed && duplex field"),
        QRect(90, y + 4 * kNoteLine, w, kNoteLine));
    for (int n = 12; n <= 18; ++n) {
        QLabel* l = label(n);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        l->setPalette(p);
    }
}

void TfrmPortConfig::ApplyLanguageLayout() {
    if (LanguageId == 0x404 || LanguageId == 0x804) {
        label(4)->move(label(4)->x(), 70);
        label(5)->move(label(5)->x(), 70);
        for (int n : {4, 5, 9}) {
            QFont f = label(n)->font();
            f.setPointSize(11);
            label(n)->setFont(f);
        }
        for (int n : {10, 11}) {
            QFont f = label(n)->font();
            f.setPointSize(8);
            label(n)->setFont(f);
        }
        label(13)->move(90, label(13)->y());
        for (int n : {12, 14, 15, 17, 18})
            label(n)->setGeometry(170, label(n)->y(), width() - 180, kNoteLine);
        label(16)->setGeometry(295, label(16)->y(), width() - 305, kNoteLine);
    }

    setWindowTitle(LangText(1000));
    const int ids[18] = {0,    1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008,
                         1009, 1010, 1011, 1013, 1012, 1014, 1015, 1016, 1018};
    for (int n = 1; n <= 17; ++n)
        label(n)->setText(LangText(ids[n]));
    label(18)->setText(LangText(1017));
    btnPrevPage->setText(LangText(1019));
    btnNextPage->setText(LangText(1020));
    btnQuit->setText(LangText(517));
    btnSave->setText(LangText(518));

    // A heading that fits on one line sits on the line of the one-line headings.
    QLabel* enable = label(6);
    if (QFontMetrics(enable->font()).horizontalAdvance(enable->text()) <= enable->width())
        enable->move(enable->x(), 70);
}

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
    btnQuit->setFocus();
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
    if (i < 0 || i >= kPortTableSize || !HasName(i)) {
        panel->hide();
        return;
    }
    panel->show();
    const PortEntry& e = PortTable[i];
    char trunk[16];
    ModuleTrunkName(trunk, sizeof trunk);
    const bool noRates = strcmp(e.name, "MODULE3") < 0 || SameText(e.name, trunk);

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
        if (panel->isHidden()) return true;
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
                else if (LanguageId == 0x404)
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
                platform::AppMessageBox(message, LangText(402), platform::MB_OK);
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
    setEnabled(false);
    BusyText = GetLangText(1268);
    ShowBusyBox();
    MarkPortPages();
    Saving = true;
    TablePage = 0;
    LastPortIndex = -1;
    WritePortPage();
}

void TfrmPortConfig::btnQuitClick() {
    LastPortIndex = -1;
    Close();
}

void TfrmPortConfig::FormClose(TCloseAction& action) {
    // The write needs this window until the switch has reported the save;
    // only the completion closes it then.
    if (Saving) {
        action = caNone;
        return;
    }
    Leaving = true;
    setEnabled(false);
    CurrentForm = TargetForm;
    BusyText = GetLangText(1266);
    ShowBusyBox();
    const char keys[] = {KEY_ENTER, 0};
    SendKeys(keys);
    // Every way out counts as Exit: the next read starts its count afresh.
    LastPortIndex = -1;
    action = caFree;
}
