// The generator's only calls into the C library's mathematics: sine, cosine
// and arc sine. Everything else it computes with + - * / and sqrt, which
// IEEE 754 rounds exactly, so the tables it writes depend on the C library
// only through these three.
#ifndef DUCKVIEW_TOOLS_DUCKGEN_TRIG_H
#define DUCKVIEW_TOOLS_DUCKGEN_TRIG_H

namespace duckgen {

// Defined out of line (trig.cpp) so that no compiler sees a constant
// argument and works the value out itself, exactly rounded, where the
// library may round the last bit its own way: every value comes from the
// library, whatever the optimisation.
double Sin(double x);
double Cos(double x);
double Asin(double x);

} // namespace duckgen

#endif // DUCKVIEW_TOOLS_DUCKGEN_TRIG_H
