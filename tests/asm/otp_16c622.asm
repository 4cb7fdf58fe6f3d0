; An "OTP" (EPROM) device: half of its 2048 words code protected, code at both ends.
        list    p=16c622
        #include <p16c622.inc>

        __config _CP_50 & _WDT_OFF & _XT_OSC    ; 2AE9
        __idlocs 0xA5C3

        org     0x000
        movlw   0x07                    ; 3007
        movwf   CMCON                   ; 009F
        clrf    PORTA                   ; 0185
        sleep                           ; 0063
        goto    0x7FF                   ; 2FFF

        org     0x7FF
        goto    0x000                   ; 2800
        end
