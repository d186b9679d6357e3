#include "app/QuitSignals.h"

TQuitOnSignals::TQuitOnSignals() = default;
TQuitOnSignals::~TQuitOnSignals() = default;
