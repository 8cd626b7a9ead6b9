#include <gaussbound/Interval.h>
