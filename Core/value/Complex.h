// Complex: a complex number of doubles that a Value can hold (type 20).
#pragma once

#include "Value.h"

#include <complex>

namespace Qel {

class Complex : public std::complex<double> {
	using C = std::complex<double>;

public:
	Complex() = default;
	Complex(double re, double im = 0) : C(re, im) {}
	Complex(const C& c) : C(c) {}
	Complex(const Value& v);

	bool   IsNull() const { return Qel::IsNull(real()) || Qel::IsNull(imag()); }
	String ToString() const;
	hash_t GetHashValue() const;

	void Serialize(Stream& s);
	void Xmlize(XmlIO& xio);
	void Jsonize(JsonIO& jio);

	operator Value() const;
};

template <> inline dword ValueTypeNo<Complex>() { return COMPLEX_V; }

} // namespace Qel
