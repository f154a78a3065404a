// A whole page rendered at screen zoom by the painter and compared with its reference picture
// (tests/data/richtext/page.png, checked by eye when it was made; qel_richtext_reference writes
// it again when the page or its painting changes on purpose).
#include "RenderedPage.h"

#include <gtest/gtest.h>

using namespace QelTest;

TEST(RenderedPage, MatchesItsReference)
{
	Image m = RenderPage();
	ASSERT_EQ(m.GetSize(), Size(600, 560));
	Image ref = LoadImageFile(RenderedPageReference());
	ASSERT_EQ(ref.GetSize(), m.GetSize());
	int64 close = 0;
	const RGBA* a = m.begin();
	const RGBA* b = ref.begin();
	for(int i = 0; i < m.GetLength(); i++)
		close += abs(a[i].r - b[i].r) <= 2 && abs(a[i].g - b[i].g) <= 2 && abs(a[i].b - b[i].b) <= 2 &&
		         abs(a[i].a - b[i].a) <= 2;
	EXPECT_GE(close * 1000, int64(m.GetLength()) * 995) << close << " of " << m.GetLength();
}
