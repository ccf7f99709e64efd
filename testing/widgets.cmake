# The main window's own controls: option grid, status bar, hint tracking.
