#include <gaussbound/Sweep.h>
