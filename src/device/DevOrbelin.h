#pragma once
// TDevOrbelin (DevOrbelinClass.h) together with the link thread it drives.
// Code that creates link threads for the device, or reaches them through it,
// includes this header.

#include "DevOrbelinClass.h"
#include "xModem.h"
