#include <gaussbound/Chernoff.h>
