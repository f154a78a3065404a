// Rich text: formatted paragraphs, embedded objects and their packed form; documents of
// paragraphs and tables with their styles, laid out on pages and painted.
#pragma once

#include <Core/Core.h>
#include <draw/Draw.h>
#include <painter/Painter.h>

#include "Zoom.h"
#include "RichTextInit.h"
#include "ParaFormat.h"
#include "RichObject.h"
#include "RichObjectTypes.h"
#include "RichPara.h"
#include "RichPos.h"
#include "NumberField.h"
#include "PagePos.h"
#include "RichStyle.h"
#include "RichTxt.h"
#include "RichTable.h"
#include "RichPaint.h"
#include "RichTextImg.h"
#include "Qtf.h"
