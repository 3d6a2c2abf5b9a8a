# Runs norvane-label on the shipped template and decodes what it wrote.
# cmake -DTOOL=<norvane-label> -DWORK=<scratch dir> -P norvane_label_cli.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(expect_decoded png value)
    execute_process(COMMAND zbarimg -q --raw ${png} OUTPUT_VARIABLE out RESULT_VARIABLE rc ERROR_QUIET)
    string(STRIP "${out}" out)
    if(NOT rc EQUAL 0 OR NOT out STREQUAL value)
        message(FATAL_ERROR "${png}: decoded '${out}' (exit ${rc}), expected '${value}'")
    endif()
endfunction()

# Sample values at 300 dpi.
execute_process(COMMAND ${TOOL} --png ${WORK}/sample.png --dpi 300 RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "norvane-label --png failed (${rc})")
endif()
expect_decoded(${WORK}/sample.png 2412100042)

# Values from the command line, two copies to a PDF folder.
execute_process(COMMAND ${TOOL} --pdf ${WORK}/pdf --copies 2 LAB-0042 "DOE, JANE" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "norvane-label --pdf failed (${rc})")
endif()
file(GLOB pdfs ${WORK}/pdf/*.pdf)
list(LENGTH pdfs n)
if(NOT n EQUAL 2)
    message(FATAL_ERROR "expected 2 PDF files, found ${n}: ${pdfs}")
endif()
execute_process(COMMAND pdftoppm -r 203 -mono -png ${WORK}/pdf/0002-LAB-0042.pdf ${WORK}/page RESULT_VARIABLE rc)
expect_decoded(${WORK}/page-1.png LAB-0042)

# A bad command line and a broken template fail with a message, not a crash.
execute_process(COMMAND ${TOOL} --png ${WORK}/x.png --template ${WORK}/missing.rpt RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 1 OR NOT err MATCHES "does not exist")
    message(FATAL_ERROR "missing template: exit ${rc}, '${err}'")
endif()
execute_process(COMMAND ${TOOL} --copies many RESULT_VARIABLE rc ERROR_QUIET)
if(NOT rc EQUAL 2)
    message(FATAL_ERROR "bad --copies: exit ${rc}")
endif()
# The copies count as Norvane's window takes it: 16 bits, 0 or less prints nothing.
execute_process(COMMAND ${TOOL} --copies 40000 RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 2 OR NOT err MATCHES "from -32768 to 32767")
    message(FATAL_ERROR "--copies 40000: exit ${rc}, '${err}'")
endif()
execute_process(COMMAND ${TOOL} --pdf ${WORK}/none --copies 0 RESULT_VARIABLE rc)
file(GLOB none ${WORK}/none/*.pdf)
if(NOT rc EQUAL 0 OR none)
    message(FATAL_ERROR "--copies 0: exit ${rc}, files ${none}")
endif()

# A barcode value with a character outside printable ASCII is refused, nothing written.
execute_process(COMMAND ${TOOL} --pdf ${WORK}/accent "PEÑA01" RESULT_VARIABLE rc ERROR_VARIABLE err)
file(GLOB accent ${WORK}/accent/*.pdf)
if(NOT rc EQUAL 1 OR NOT err MATCHES "cannot carry" OR accent)
    message(FATAL_ERROR "non-ASCII barcode: exit ${rc}, '${err}', files ${accent}")
endif()
