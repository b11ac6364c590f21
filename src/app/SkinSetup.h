#pragma once

class QWidget;

namespace velmora::app {

// Dresses a form in the program's skin from its load step: creates the
// form's caption painter, keeps it for the form's life and runs the per-form
// skin setup with it.
class SkinSetup {
public:
    static void apply(QWidget *form);
};

} // namespace velmora::app
