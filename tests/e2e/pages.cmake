foreach(mode ${ZEL_VIEWER_MODES})
  zel_e2e(page.pixels.ZelV_${mode} page-pixels ZelV_${mode})
endforeach()
