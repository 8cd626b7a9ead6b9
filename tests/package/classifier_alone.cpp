#include <gaussbound/Classifier.h>
