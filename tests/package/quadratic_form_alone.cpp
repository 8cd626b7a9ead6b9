#include <gaussbound/QuadraticForm.h>
