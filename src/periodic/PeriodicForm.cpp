#include "periodic/PeriodicForm.h"

namespace velmora::periodic {

void PeriodicForm::open(app::MainWindow &) {}

} // namespace velmora::periodic
