; A "Flash1" device without EEPROM: a lookup table in the last page of its 4096 words.
        list    p=16f73
        #include <p16f73.inc>

        __config _CP_OFF & _WDT_OFF & _PWRTE_ON & _HS_OSC & _BODEN_OFF  ; 3FB2
        __idlocs 0x0F73

        org     0x000
        clrf    PCLATH                  ; 018A
        goto    main                    ; 2810
        org     0x010
main:
        movlw   HIGH table              ; 300F
        movwf   PCLATH                  ; 008A
        movlw   2                       ; 3002
        call    table                   ; 27FA
        goto    main                    ; 2810

        org     0xFFA
table:
        addwf   PCL, f                  ; 0782
        retlw   0xA1                    ; 34A1
        retlw   0xB2                    ; 34B2
        retlw   0xC3                    ; 34C3
        retlw   0xD4                    ; 34D4
        retlw   0xE5                    ; 34E5
        end
