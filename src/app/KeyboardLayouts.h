#pragma once

#include <QStringList>
#include <memory>

namespace velmora::app {

// The keyboard layouts and the input method, as the splash window asks for
// them: the installed layouts, whether the input method is off, and the
// activation of a layout.
class KeyboardLayouts {
public:
    virtual ~KeyboardLayouts() = default;
    virtual QStringList layouts() = 0;
    virtual bool inputMethodOff() = 0;
    virtual void activate(int index) = 0;

    // Asks the running input-method framework (Fcitx 5 or IBus) or the X
    // keyboard layouts; where none answers, reports a single layout.
    static std::unique_ptr<KeyboardLayouts> system();

    // The splash window's rule: with more than one layout and the input
    // method off, activate the second layout. Errors are ignored.
    static void applyStartupRule(KeyboardLayouts &layouts);
};

} // namespace velmora::app
