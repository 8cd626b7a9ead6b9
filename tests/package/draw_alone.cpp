#include <gaussbound/Draw.h>
