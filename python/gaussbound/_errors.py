"""The errors gaussbound raises for bad input and for figures it cannot compute."""


class ModelError(ValueError):
    """A model or an argument that cannot be used.

    The message is the one the ``bounds`` program gives for the same input.
    ``field`` names the argument or the model's key at fault ("sigma1",
    "priors", "costs", ...), or is None where the message alone says it (a
    model file that cannot be read); ``index`` is the model's index in a
    batch, or None.
    """

    def __init__(self, message, field=None, index=None):
        super().__init__(message)
        self.field = field
        self.index = index


class FigureError(ArithmeticError):
    """A figure the library could not compute for a valid model (classes
    separated beyond what the doubles can hold, for example); the message
    names the figure."""
