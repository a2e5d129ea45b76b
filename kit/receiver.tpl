<chart>
symbol=EURUSD
period=60
<expert>
name=_Velmora Signal Receiver
</expert>
</chart>
