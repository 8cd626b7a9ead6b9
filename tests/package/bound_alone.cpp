#include <gaussbound/Bound.h>
