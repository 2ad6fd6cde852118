// The open button and the simulated reading.
#include "tform1.h"

namespace tav {

void TForm1::Button2Click() {}

void TForm1::Button1Click() {}

} // namespace tav
