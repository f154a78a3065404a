// Qel::Gui: the control tree with its lock, timers, frames, geometry, theme and painting, drawn
// through cairo, on GTK 3.
#pragma once

#include "GuiLock.h"
#include "Timer.h"
#include "LogPos.h"
#include "CtrlFrame.h"
#include "SystemDraw.h"
#include "ImageDraw.h"
#include "Ctrl.h"
#include "Settings.h"
#include "Zoom.h"
#include "CtrlCoreImg.h"
