"""The art generator's drawing, one module per output; run tools/make_art.py."""
