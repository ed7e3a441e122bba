# The format readers' tests (one executable per reader), included by this
# folder's CMakeLists.txt.  Reference decodes are made by Debian tools into the
# build folder at test time.
set(formats_support formats_support.cpp)

plinthar_test(imaging_bmp_tests TIMEOUT 600 SOURCES
    formats_bmp_test.cpp ${formats_support}
    LIBS plinthar_codec)

plinthar_test(imaging_jpeg_tests TIMEOUT 600 SOURCES
    formats_jpeg_test.cpp ${formats_support}
    LIBS plinthar_codec)

plinthar_test(imaging_targa_tests TIMEOUT 600 SOURCES
    formats_targa_test.cpp ${formats_support}
    LIBS plinthar_codec)

plinthar_test(imaging_pcx_tests TIMEOUT 600 SOURCES
    formats_pcx_test.cpp ${formats_support}
    LIBS plinthar_codec)

plinthar_test(imaging_tiff_tests TIMEOUT 600 SOURCES
    formats_tiff_test.cpp ${formats_support}
    LIBS plinthar_codec)

plinthar_test(imaging_pnm_tests SOURCES
    formats_pnm_test.cpp ${formats_support}
    LIBS plinthar_codec)

plinthar_test(imaging_xbm_tests SOURCES
    formats_xbm_test.cpp ${formats_support}
    LIBS plinthar_codec)

plinthar_test(imaging_ilbm_tests SOURCES
    formats_ilbm_test.cpp ${formats_support}
    LIBS plinthar_codec)

plinthar_test(imaging_gem_tests SOURCES
    formats_gem_test.cpp ${formats_support}
    LIBS plinthar_codec)

plinthar_test(imaging_sprite_tests SOURCES
    formats_sprite_test.cpp ${formats_support}
    LIBS plinthar_codec)

plinthar_test(imaging_minor_format_tests SOURCES
    formats_minor_test.cpp
    LIBS plinthar_codec)
