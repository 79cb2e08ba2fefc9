# The package's own version; the model's is flowmodel.MODEL_VERSION (1.06).
__version__ = "0.2.0"
