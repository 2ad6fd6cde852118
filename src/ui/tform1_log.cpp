// Saving the log and loading it back onto the chart.
#include "tform1.h"

namespace tav {

void TForm1::SpeedButton1Click() {}

void TForm1::SpeedButton2Click() {}

} // namespace tav
