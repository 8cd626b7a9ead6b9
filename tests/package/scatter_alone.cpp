#include <gaussbound/Scatter.h>
