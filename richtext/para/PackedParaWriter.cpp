#include <richtext/para/detail/PackedParaWriter.h>

namespace Qel::detail {

void PackedParaWriter::Begin(const Uuid& id, const RichPara::Format& st_)
{
	style = id;
	st = &st_;
	running = st_;
	has_parts = true;
}

void PackedParaWriter::Restyle(const Uuid& id, const RichPara::Format& old_st, const RichPara::Format& st_)
{
	Repack(old_st, st_);
	style = id;
	st = &st_;
}

void PackedParaWriter::StyleDefined(const RichPara::Format& st_, const RichPara::CharFormat* old)
{
	if(!has_parts)
		return;
	st = &st_;
	if(old)
		Repack(*old, st_);
}

// The parts packed against a style's character format again, against another one.
void PackedParaWriter::Repack(const RichPara::CharFormat& old_style, const RichPara::CharFormat& new_style)
{
	String s = parts.GetResult();
	parts.Clear();
	Array<RichObject> obj = std::move(objects);
	objects.Clear();
	RichPara::Aside was = std::move(aside); // set aside again: what is long stays shared
	aside = RichPara::Aside();
	RichPara p;
	static_cast<RichPara::CharFormat&>(p.format) = old_style; // where the running format began
	int oi = 0;
	p.UnpackParts(s.Begin(), s.End(), old_style, p.part, obj, oi, &was);
	running = new_style;
	RichPara::PackParts(parts, new_style, p.part, running, objects, &aside);
}

void PackedParaWriter::Packed(const char* s, int bytes, int chars, const RichPara::CharFormat& f)
{
	RichPara::PackCharFormat(parts, running, f, *st, &aside);
	running = f;
	parts.Put(s, bytes);
	length += chars;
}

void PackedParaWriter::Text(const wchar* s, int n, const RichPara::CharFormat& f)
{
	scratch.Clear();
	PackText(scratch, s, n);
	Packed(scratch.Begin(), scratch.GetLength(), n, f); // nothing packing drops comes here
}

void PackedParaWriter::Part(RichPara::Part& p)
{
	Array<RichPara::Part> one;
	one.Add(std::move(p));
	RichPara::PackParts(parts, *st, one, running, objects, &aside);
	length++;
}

void PackedParaWriter::Clear()
{
	if(has_parts) {
		parts.Clear();
		objects.Clear();
		aside = RichPara::Aside();
		has_parts = false;
		length = 0;
	}
}

PackedParaWriter::Para PackedParaWriter::End(const RichPara::Format& pf, const RichPara::Format& st_, uint64 para,
                                             int styles)
{
	// as RichPara::Pack lays it out: the format, the parts, the mark's own character format
	if(para != head_para || &st_ != head_style || styles != head_styles) {
		head_packed.Clear();
		RichPara::PackFormat(head_packed, pf, st_);
		head_para = para;
		head_style = &st_;
		head_styles = styles;
		// blocks of the same format one after another (each adding and removing the same
		// stops, say) pack the same head: the one stored already is shared again
		int n = head_packed.GetLength();
		if(n <= SHARED_HEAD)
			head_shared.Clear();
		else if(head_shared.GetLength() != n || memcmp(~head_shared, head_packed.Begin(), n) != 0)
			head_shared = head_packed.GetResult();
	}
	if(!has_parts) {
		parts.Clear();
		aside = RichPara::Aside();
	}
	RichPara::PackCharFormat(parts, has_parts ? running : static_cast<const RichPara::CharFormat&>(st_), pf, st_,
	                         &aside);
	int head = head_shared.IsEmpty() ? head_packed.GetLength() : 0;
	StringBuffer content(head + parts.GetLength());
	memcpy(content.Begin(), head_packed.Begin(), head);
	memcpy(content.Begin() + head, parts.Begin(), parts.GetLength());
	parts.Clear();
	done_objects = std::move(objects);
	objects.Clear();
	std::unique_ptr<RichPara::Aside> a;
	if(!aside.IsEmpty()) {
		a = std::make_unique<RichPara::Aside>(std::move(aside));
		aside = RichPara::Aside();
	}
	int n = length;
	has_parts = false;
	length = 0;
	return Para{head_shared, String(content), done_objects, std::move(a), n};
}

} // namespace Qel::detail
