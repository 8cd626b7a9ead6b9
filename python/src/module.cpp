// The gaussbound package's compiled half, gaussbound._core: the model, the
// figures and the formats of the C++ libraries. The package's Python half
// (gaussbound/__init__.py) wraps these in the public functions.
#include "convert.h"

PYBIND11_MODULE(_core, m)
{
    m.doc() = "The compiled half of gaussbound; use the gaussbound package.";
    m.attr("__version__") = GAUSSBOUND_VERSION;
    gaussbound::python::registerErrors();
    gaussbound::python::bindModel(m);
    gaussbound::python::bindAnalyse(m);
    gaussbound::python::bindRules(m);
    gaussbound::python::bindGx2(m);
    gaussbound::python::bindSamples(m);
    gaussbound::python::bindSweep(m);
    gaussbound::python::bindFigure(m);
}
