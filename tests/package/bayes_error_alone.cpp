#include <gaussbound/BayesError.h>
