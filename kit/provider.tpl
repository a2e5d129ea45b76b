<chart>
symbol=EURUSD
period=60
<expert>
name=_Velmora Signal Provider
</expert>
</chart>
