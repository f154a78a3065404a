#include <richtext/para/RichPara.h>
#include <richtext/para/detail/ParaCache.h>

namespace Qel {

namespace {

struct sFieldTypes {
	StaticMutex                                 mutex;
	VectorMap<TextId, RichPara::FieldType*> types;
};

sFieldTypes& sFields()
{
	static sFieldTypes f;
	return f;
}

} // namespace

void RichPara::FieldType::Edit(String&, void*) const {}
void RichPara::FieldType::Action(String&, int, void*) const {}
RichPara::FieldType::~FieldType() = default;

void RichPara::Register(const TextId& id, FieldType& type)
{
	sFieldTypes& f = sFields();
	Mutex::Lock lock(f.mutex);
	if(f.types.Find(id) < 0)
		f.types.Add(id, &type);
}

RichPara::FieldType* RichPara::GetFieldType(const TextId& id)
{
	sFieldTypes& f = sFields();
	Mutex::Lock lock(f.mutex);
	int q = f.types.Find(id);
	return q >= 0 ? f.types[q] : nullptr;
}

void RichPara::Cat(const WString& text, const CharFormat& f)
{
	cacheid = 0;
	unpacked_length = -1;
	Part& p = part.Add();
	p.text = text;
	p.format = f;
}

void RichPara::Cat(const RichObject& o, const CharFormat& f)
{
	cacheid = 0;
	unpacked_length = -1;
	Part& p = part.Add();
	p.object = o;
	p.format = f;
}

void RichPara::Cat(const TextId& field, const String& param, const CharFormat& f)
{
	cacheid = 0;
	unpacked_length = -1;
	Part& p = part.Add();
	p.field = field;
	p.fieldparam = param;
	p.format = f;
	if(FieldType* t = GetFieldType(field)) {
		VectorMap<String, Value> vars;
		p.fieldpart = t->Evaluate(param, vars, f);
	}
}

bool RichPara::EvaluateFields(VectorMap<String, Value>& vars)
{
	bool any = false;
	for(Part& p : part)
		if(p.IsField())
			if(FieldType* t = GetFieldType(p.field)) {
				p.fieldpart = t->Evaluate(p.fieldparam, vars, p.format);
				any = true;
			}
	if(any) {
		cacheid = 0; // the cache keeps the stored content, not this evaluation
		unpacked_length = -1;
	}
	return any;
}

int RichPara::GetLength() const
{
	int n = 0;
	for(const Part& p : part)
		n += p.GetLength();
	return n;
}

RichPara::RichPara(const RichPara& p)
:	part(p.part), format(p.format)
{
}

RichPara& RichPara::operator=(const RichPara& p)
{
	if(this != &p) {
		RichPara t(p);
		*this = std::move(t);
	}
	return *this;
}

RichPara::RichPara(RichPara&& p) noexcept
:	cacheid(p.cacheid), part(std::move(p.part)), format(std::move(p.format)), unpacked_length(p.unpacked_length)
{
	p.cacheid = 0;
	p.incache = false;
	p.unpacked_length = -1;
}

RichPara& RichPara::operator=(RichPara&& p) noexcept
{
	if(this != &p) {
		if(cacheid && part.GetCount() && !incache)
			detail::PutToParaCache(*this);
		cacheid = p.cacheid;
		incache = false;
		part = std::move(p.part);
		format = std::move(p.format);
		unpacked_length = p.unpacked_length;
		p.cacheid = 0;
		p.incache = false;
		p.unpacked_length = -1;
	}
	return *this;
}

RichPara::~RichPara()
{
	if(cacheid && part.GetCount() && !incache)
		detail::PutToParaCache(*this);
}

} // namespace Qel
