# The spectrum panel of a two-boundary and of a three-boundary viewer.
zel_e2e(spectrum.panel.ZelV_01 spectrum-panel ZelV_01 2)
zel_e2e(spectrum.panel.ZelV_25 spectrum-panel ZelV_25 2)
zel_e2e(spectrum.panel.ZelV_14 spectrum-panel ZelV_14 3)
zel_e2e(spectrum.capture.ZelV_01 spectrum-capture ZelV_01)
zel_e2e(spectrum.early-look.ZelV_01 spectrum-early-look ZelV_01)
