#pragma once
// Base of every window. It gives the windows the event order they are
// written for: the create handler runs in the constructor, FormShow
// whenever the window goes from hidden to shown, FormActivate when the
// window becomes the application's active form after another one was, and
// FormClose on every close, which may refuse or free the window. The window
// system's close is refused while the window is disabled: a window is
// disabled while it waits for the switch.
//
// Activation is tracked here, not taken from the window system: Show()
// activates the window it shows, a mouse click on an enabled window
// activates it, and hiding or closing the active window leaves no window
// active. A message box is not a form and does not change the active form.
#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

// The windows' sans-serif font, and a label placed at fixed coordinates in
// it; windows that mirror a console screen lay out their tables by pixel.
QFont UiFont(int pointSize, bool bold = false);
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
                  Qt::Alignment align = Qt::AlignLeft | Qt::AlignTop);
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text,
                        const QRect& geometry);
// "lblGarbled": the note a window shows, in maroon and wrapped, when a
// table it read did not line up; hidden until then.
QLabel* MakeGarbledNote(QWidget* parent, const QString& text, const QRect& geometry,
                        Qt::Alignment align);

class TForm : public QWidget {
    Q_OBJECT
public:
    enum TCloseAction { caNone, caHide, caFree };

    explicit TForm(QWidget* parent = nullptr);
    ~TForm() override;

    void Show();
    void Hide();
    void Close();
    void Repaint() { repaint(); }
    bool Freed() const { return freed_; }
    // A window that only watches (the console monitor) is never the active
    // form: a click into it leaves the active form as it was.
    void SetTakesActivation(bool takes) { takesActivation_ = takes; }
    bool TakesActivation() const { return takesActivation_; }

    // Enter clicks the focused button, or else this one, as in a dialog.
    void SetDefaultButton(QPushButton* button);
    // The start window opens in the middle of the screen; every other window
    // opens centred on the window shown before it (the one it was opened
    // from, or the busy window over that one).
    void SetPlacedOnScreen(bool onScreen) { placedOnScreen_ = onScreen; }

    static TForm* ActiveForm();
    // Tests: forget the active form between cases.
    static void ResetActiveForm();

protected:
    virtual void FormShow() {}
    virtual void FormHide() {}
    virtual void FormActivate() {}
    virtual void FormClose(TCloseAction& action) { action = caHide; }
    // The control that has the keyboard when the window opens: the first
    // field, else the default button (forms/base/Placement.h).
    virtual QWidget* FirstFocus();
    // Gives FirstFocus() the keyboard; windows whose fields are filled or
    // enabled as they are activated call it again then.
    void FocusFirstControl();
    // Esc; true when the window took it. A configuration window leaves as
    // its Exit does; other windows ignore it.
    virtual bool EscapePressed() { return false; }

    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Makes this the active form and runs FormActivate.
    void Activate();

private:
    bool takesActivation_ = true;
    bool placedOnScreen_ = false;
    friend class FormClickWatcher;
    QPointer<QPushButton> defaultButton_;
    bool closing_ = false;
    bool freed_ = false;
};

// A global window reference: it stays "held" after the
// window has closed and freed itself, until the router clears it, so an
// arrival in between does not create a second window; get() never hands out
// a freed window. Clearing a reference to a window that is only hidden
// deletes that window.
template <class T> class FormRef {
public:
    bool exists() const { return held_; }
    T* get() const { return alive_ ? ptr_ : nullptr; }
    // The live window as a TForm, for code that must not know its class.
    TForm* window() const { return alive_.data(); }
    T* operator->() const { return get(); }
    void set(T* form) {
        ptr_ = form;
        alive_ = form;
        held_ = form != nullptr;
    }
    void clear() {
        if (TForm* f = alive_.data(); f && !f->Freed()) f->deleteLater();
        ptr_ = nullptr;
        alive_ = nullptr;
        held_ = false;
    }

private:
    T* ptr_ = nullptr;
    QPointer<TForm> alive_;
    bool held_ = false;
};
