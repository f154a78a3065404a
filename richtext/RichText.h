// Rich text: formatted paragraphs, embedded objects and their packed form.
#pragma once

#include <Core/Core.h>
#include <draw/Draw.h>
#include <painter/Painter.h>

#include "Zoom.h"
#include "RichTextInit.h"
