; A "Flash" device with data EEPROM: counts on PORTB and keeps a few bytes in the EEPROM.
        list    p=16f84a
        #include <p16f84a.inc>
        errorlevel -302

        __config _CP_OFF & _WDT_OFF & _PWRTE_ON & _HS_OSC      ; 3FF2
        __idlocs 0x1234

        org     0x000
        goto    start                   ; 2805
        org     0x004
        retfie                          ; 0009
start:
        bsf     STATUS, RP0             ; 1683
        clrf    TRISB                   ; 0186
        bcf     STATUS, RP0             ; 1283
        movlw   0x55                    ; 3055
        movwf   PORTB                   ; 0086
loop:
        incf    PORTB, f                ; 0A86
        goto    loop                    ; 280A

        org     0x2100
        de      0x12, 0x34, 0xAB, 0xCD
        de      "Tavrix"
        end
