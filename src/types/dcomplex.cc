// DComplex arithmetic and elementary functions, computed through the
// standard library's complex<double> (same layout, principal branches).
#include "types/dcomplex.h"

#include <algorithm>
#include <complex>

namespace {

std::complex<double> Std(const DComplex& z) { return {z.real(), z.imag()}; }
DComplex Ours(const std::complex<double>& z) { return {z.real(), z.imag()}; }

void ReverseBytes(unsigned char* p, unsigned n) { std::reverse(p, p + n); }

}  // namespace

DComplex DComplex::operator*(const DComplex& b) const { return Ours(Std(*this) * Std(b)); }
DComplex DComplex::operator/(const DComplex& b) const { return Ours(Std(*this) / Std(b)); }

void DComplex::ConvertEndianType() {
  ReverseBytes(reinterpret_cast<unsigned char*>(&re_), sizeof re_);
  ReverseBytes(reinterpret_cast<unsigned char*>(&im_), sizeof im_);
}

double abs(const DComplex& z) { return std::abs(Std(z)); }
double arg(const DComplex& z) { return std::arg(Std(z)); }
DComplex pow(const DComplex& base, const DComplex& exponent) { return Ours(std::pow(Std(base), Std(exponent))); }
DComplex exp(const DComplex& z) { return Ours(std::exp(Std(z))); }
DComplex sqrt(const DComplex& z) { return Ours(std::sqrt(Std(z))); }
DComplex log(const DComplex& z) { return Ours(std::log(Std(z))); }
DComplex log10(const DComplex& z) { return Ours(std::log10(Std(z))); }
DComplex sin(const DComplex& z) { return Ours(std::sin(Std(z))); }
DComplex cos(const DComplex& z) { return Ours(std::cos(Std(z))); }
DComplex tan(const DComplex& z) { return Ours(std::tan(Std(z))); }
DComplex asin(const DComplex& z) { return Ours(std::asin(Std(z))); }
DComplex acos(const DComplex& z) { return Ours(std::acos(Std(z))); }
DComplex atan(const DComplex& z) { return Ours(std::atan(Std(z))); }
DComplex sinh(const DComplex& z) { return Ours(std::sinh(Std(z))); }
DComplex cosh(const DComplex& z) { return Ours(std::cosh(Std(z))); }
DComplex tanh(const DComplex& z) { return Ours(std::tanh(Std(z))); }
