# The format readers' tests (one executable per reader), included by this
# folder's CMakeLists.txt.  Reference decodes are made by Debian tools into the
# build folder at test time.
set(formats_support formats_support.cpp)

plinthar_test(imaging_bmp_tests TIMEOUT 600 SOURCES
    formats_bmp_test.cpp ${formats_support}
    LIBS plinthar_codec plinthar_test_support)

plinthar_test(imaging_jpeg_tests TIMEOUT 600 SOURCES
    formats_jpeg_test.cpp ${formats_support}
    LIBS plinthar_codec plinthar_test_support)

plinthar_test(imaging_targa_tests TIMEOUT 600 SOURCES
    formats_targa_test.cpp ${formats_support}
    LIBS plinthar_codec plinthar_test_support)

plinthar_test(imaging_pcx_tests TIMEOUT 600 SOURCES
    formats_pcx_test.cpp ${formats_support}
    LIBS plinthar_codec plinthar_test_support)

plinthar_test(imaging_tiff_tests TIMEOUT 600 SOURCES
    formats_tiff_test.cpp ${formats_support}
    LIBS plinthar_codec plinthar_test_support)

plinthar_test(imaging_pnm_tests SOURCES
    formats_pnm_test.cpp ${formats_support}
    LIBS plinthar_codec plinthar_test_support)

plinthar_test(imaging_xbm_tests SOURCES
    formats_xbm_test.cpp ${formats_support}
    LIBS plinthar_codec plinthar_test_support)

plinthar_test(imaging_ilbm_tests SOURCES
    formats_ilbm_test.cpp ${formats_support}
    LIBS plinthar_codec plinthar_test_support)

plinthar_test(imaging_gem_tests SOURCES
    formats_gem_test.cpp ${formats_support}
    LIBS plinthar_codec plinthar_test_support)

plinthar_test(imaging_sprite_tests SOURCES
    formats_sprite_test.cpp ${formats_support}
    LIBS plinthar_codec plinthar_test_support)

plinthar_test(imaging_minor_format_tests SOURCES
    formats_minor_test.cpp
    LIBS plinthar_codec)

# Files built byte by byte: runs natively and under Wine (the cross-built libpng).
plinthar_test(imaging_png_tests SOURCES
    formats_png_test.cpp png_builder.cpp ${formats_support}
    LIBS plinthar_imaging plinthar_test_support)

# Compared with netpbm's pngtopnm: the PNG suite in libpng's source as the
# bootstrap unpacked it (skipped when absent) and files ImageMagick makes.
if(DEFINED ENV{PLINTHAR_CACHE})
    set(png_cache "$ENV{PLINTHAR_CACHE}")
elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(png_cache "$ENV{XDG_CACHE_HOME}/plinthar")
else()
    set(png_cache "$ENV{HOME}/.cache/plinthar")
endif()
plinthar_test(imaging_png_reference_tests NATIVE_ONLY TIMEOUT 600 SOURCES
    formats_png_reference_test.cpp ${formats_support}
    LIBS plinthar_codec plinthar_test_support)
if(TARGET imaging_png_reference_tests)
    target_compile_definitions(imaging_png_reference_tests PRIVATE
        PLINTHAR_PNGSUITE="${png_cache}/libpng-src/contrib/pngsuite")
endif()
