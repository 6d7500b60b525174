object Form1: TForm1  

  object ToneGen1: TToneGen
    Frequency = 20
    AMFrequency = 3E2
  end   
end

