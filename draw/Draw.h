// Umbrella header of Qel::Draw.
#pragma once

#include <Core/Core.h>

#include <draw/image/Alpha.h>
#include <draw/image/Image.h>
#include <draw/image/DisplayMode.h>
#include <draw/image/ImageFlip.h>

#include <draw/raster/RasterFormat.h>
#include <draw/raster/Raster.h>
#include <draw/raster/RasterEncoder.h>
#include <draw/raster/BMP.h>

#include <draw/imageops/ImageOp.h>
#include <draw/imageops/ImageFilter.h>
#include <draw/imageops/ImageScale.h>
#include <draw/imageops/Rescale.h>
#include <draw/imageops/RescaleFilter.h>
#include <draw/imageops/ImageMaker.h>

#include <draw/iml/Iml.h>
#include <draw/iml/DrawImg.h>

#include <draw/font/Font.h>

#include <draw/theme/Theme.h>

#include <draw/canvas/DrawTarget.h>
#include <draw/canvas/NilDraw.h>
#include <draw/canvas/DataDrawer.h>
#include <draw/canvas/ImageAnyDraw.h>
#include <draw/canvas/DrawTextLines.h>
#include <draw/canvas/DrawHooks.h>

#include <draw/record/Drawing.h>
#include <draw/record/Painting.h>
#include <draw/record/DrawingDraw.h>

#include <draw/look/Frame.h>
#include <draw/look/Look.h>
#include <draw/look/Display.h>
