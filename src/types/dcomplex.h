// DComplex: the complex value of the type system. A value is exactly two
// IEEE doubles, real part then imaginary part (16 bytes, no padding), so
// arrays of complex values can be stored and read as raw bytes and a value
// can be viewed in place inside a typed buffer.
//
// The elementary functions follow the principal branches of the standard
// library's complex functions (branch cuts on the negative real axis for log,
// sqrt and pow; on the real axis outside [-1, 1] for asin and acos; on the
// imaginary axis outside [-i, i] for atan).
#ifndef ZEL_TYPES_DCOMPLEX_H
#define ZEL_TYPES_DCOMPLEX_H

class DComplex {
 public:
  DComplex() = default;
  DComplex(double re, double im = 0.0) : re_(re), im_(im) {}  // NOLINT: a real is a complex

  double real() const { return re_; }
  double imag() const { return im_; }

  DComplex operator+(const DComplex& b) const { return DComplex(re_ + b.re_, im_ + b.im_); }
  DComplex operator-(const DComplex& b) const { return DComplex(re_ - b.re_, im_ - b.im_); }
  DComplex operator-() const { return DComplex(-re_, -im_); }
  DComplex operator*(const DComplex& b) const;
  DComplex operator/(const DComplex& b) const;
  // Both parts equal (so NaN parts make values unequal).
  bool operator==(const DComplex& b) const { return re_ == b.re_ && im_ == b.im_; }
  bool operator!=(const DComplex& b) const { return !(*this == b); }

  // Reverses the bytes of each of the two doubles separately.
  void ConvertEndianType();

 private:
  double re_ = 0.0;
  double im_ = 0.0;
};

static_assert(sizeof(DComplex) == 16, "DComplex is stored as two doubles");

double abs(const DComplex& z);
double arg(const DComplex& z);
DComplex pow(const DComplex& base, const DComplex& exponent);
DComplex exp(const DComplex& z);
DComplex sqrt(const DComplex& z);
DComplex log(const DComplex& z);
DComplex log10(const DComplex& z);
DComplex sin(const DComplex& z);
DComplex cos(const DComplex& z);
DComplex tan(const DComplex& z);
DComplex asin(const DComplex& z);
DComplex acos(const DComplex& z);
DComplex atan(const DComplex& z);
DComplex sinh(const DComplex& z);
DComplex cosh(const DComplex& z);
DComplex tanh(const DComplex& z);

#endif  // ZEL_TYPES_DCOMPLEX_H
