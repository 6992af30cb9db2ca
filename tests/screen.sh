# Sourced by the shell tests that read the window's colours off the virtual display.

# Pixels of a colour on the screen; the screenshot goes into the test's folder $work.
pixels() { import -window root "$work/screen.png" && convert "$work/screen.png" -fill black +opaque "$1" -fill white -opaque "$1" \
    -format '%[fx:int(mean*w*h)]' info:; }
