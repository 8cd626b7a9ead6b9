#include <gaussbound/Canonical.h>
