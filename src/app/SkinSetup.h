#pragma once

class QWidget;

namespace velmora::skin {
class cNeoCaption;
}

namespace velmora::app {

// Dresses a form in the program's skin from its load step: creates the
// form's caption painter, keeps it for the form's life and runs the per-form
// skin setup with it.
class SkinSetup {
public:
    static void apply(QWidget *form);
    // The caption painter the form wears; nullptr before apply.
    static skin::cNeoCaption *caption(QWidget *form);
};

} // namespace velmora::app
