#include <gaussbound/Linalg.h>
