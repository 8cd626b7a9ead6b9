#include <gaussbound/Estimate.h>
