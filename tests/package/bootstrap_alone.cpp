#include <gaussbound/Bootstrap.h>
