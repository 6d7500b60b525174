object Form1: TForm1
  Tag = -7
  object ToneGen1: TToneGen
    Tag = 42
    Frequency = 880
    Duration = 250
    Waveform = tgTriangle
    Attack = 20
    Hold = 0
    Decay = 35
    Sustain = 75
    Release = 15
    Async = False
    Loop = True
    Resolution = tg8Bit
    Quality = tgLoQ
    LeftVolume = 80
    RightVolume = 60
    Stereo = True
    AMLevel = tgAMLevel3
    AMAmplitude = 25
    AMWaveform = tgSawtooth
    AMFrequency = 1.25
    AMUseMultiplier = False
    Left = -16
    Top = 300
  end
end
