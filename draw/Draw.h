// Umbrella header of Qel::Draw.
#pragma once

#include <Core/Core.h>

#include "RGBA.h"
#include "Image.h"
#include "ImageFlip.h"
#include "RasterFormat.h"
#include "Raster.h"
#include "RasterEncoder.h"
#include "ImageOp.h"
#include "ImageFilter.h"
#include "ImageScale.h"
#include "Rescale.h"
#include "RescaleFilter.h"
#include "BMP.h"
#include "ImageMaker.h"
#include "Iml.h"
#include "DrawImg.h"
#include "Font.h"
#include "DrawTarget.h"
#include "NilDraw.h"
#include "DataDrawer.h"
#include "ImageAnyDraw.h"
#include "DrawTextLines.h"
#include "DrawHooks.h"
#include "Drawing.h"
#include "Painting.h"
